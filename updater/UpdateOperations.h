#pragma once

#include <memory>
#include <string>

#include "PackageUnzip.h"
#include "Process.h"
#include "UpdateDownload.h"

// Everything the update steps reach outside the program through: the transfers, the unpacking,
// the old program's window or service, the setup program and the folders. The updater uses the
// real operations; the sequence tests put outcomes of their own in place of some of them.
class TUpdateOperations {
public:
    virtual ~TUpdateOperations() = default;

    virtual std::string HttpGetToMemory(const std::string& url, TTransferEvents& events);
    virtual void SaveVersionFile(const std::string& fileName, const std::string& bytes);
    virtual bool DownLoadFile(const std::string& url, const std::string& localFile,
                              TTransferEvents& events, const TShowStatus& showStatus);
    virtual void UnZipFiles(const std::string& archiveFile, const std::string& destFolder,
                            TUnzipEvents& events);

    virtual bool CloseProgramWindow(const std::string& caption, const TShowStatus& showStatus);
    virtual bool RunProgram(const platform::CommandLine& commandLine, const std::string& caption,
                            const TShowStatus& showStatus);
    virtual bool StopServiceByName(const std::string& runName);
    virtual bool StartServiceByName(const std::string& runName);
    // Runs the package's setup program SetupFile from TempFolder to its end; raises when it
    // cannot.
    virtual void RunSetupProgram(const std::string& tempFolder, const std::string& setupFile);

    virtual void EnsureDir(const std::string& folder);
    virtual void DeleteDir(const std::string& folder);
    virtual void CopyDir(const std::string& source, const std::string& dest);
};
