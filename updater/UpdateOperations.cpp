#include "UpdateOperations.h"

#include "FolderOperations.h"
#include "ProgramWindow.h"
#include "ServiceControl.h"
#include "SetupProgram.h"

std::string TUpdateOperations::HttpGetToMemory(const std::string& url, TTransferEvents& events) {
    return ::HttpGetToMemory(url, events);
}

void TUpdateOperations::SaveVersionFile(const std::string& fileName, const std::string& bytes) {
    ::SaveVersionFile(fileName, bytes);
}

bool TUpdateOperations::DownLoadFile(const std::string& url, const std::string& localFile,
                                     TTransferEvents& events, const TShowStatus& showStatus) {
    return ::DownLoadFile(url, localFile, events, showStatus);
}

void TUpdateOperations::UnZipFiles(const std::string& archiveFile, const std::string& destFolder,
                                   TUnzipEvents& events) {
    ::UnZipFiles(archiveFile, destFolder, events);
}

bool TUpdateOperations::CloseProgramWindow(const std::string& caption,
                                           const TShowStatus& showStatus) {
    return ::CloseProgramWindow(caption, showStatus);
}

bool TUpdateOperations::RunProgram(const platform::CommandLine& commandLine,
                                   const std::string& caption, const TShowStatus& showStatus) {
    return ::RunProgram(commandLine, caption, showStatus);
}

bool TUpdateOperations::StopServiceByName(const std::string& runName) {
    return ::StopServiceByName(runName);
}

bool TUpdateOperations::StartServiceByName(const std::string& runName) {
    return ::StartServiceByName(runName);
}

void TUpdateOperations::RunSetupProgram(const std::string& tempFolder,
                                        const std::string& setupFile) {
    ::RunSetupProgram(tempFolder, setupFile);
}

void TUpdateOperations::EnsureDir(const std::string& folder) {
    ::EnsureDir(folder);
}

void TUpdateOperations::DeleteDir(const std::string& folder) {
    ::DeleteDir(folder);
}

void TUpdateOperations::CopyDir(const std::string& source, const std::string& dest) {
    ::CopyDir(source, dest);
}
