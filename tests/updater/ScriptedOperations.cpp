#include "ScriptedOperations.h"

#include <algorithm>

#include "PrivateProfile.h"
#include "TestFolder.h"

void ReportTransfer(TTransferEvents& events, int64_t total, int64_t expected, int64_t chunk) {
    events.WorkBegin(expected);
    for (int64_t count = std::min(chunk, total); count > 0;) {
        events.Work(count);
        if (count == total) {
            break;
        }
        count = std::min(count + chunk, total);
    }
    events.WorkEnd();
}

ScriptedOperations::ScriptedOperations()
    : VersionFile(Gbk("[升级配置]\r\nVer=1.0.6\r\nAddress=http://127.0.0.1:9/download/"
                      "VelPay_1.0.6.zip\r\nSetupFile=setup.sh\r\n")) {
    HttpGet = [this](const std::string&, TTransferEvents& events) {
        auto size = static_cast<int64_t>(VersionFile.size());
        ReportTransfer(events, size, size, (size + 1) / 2);
        return VersionFile;
    };
    Download = [](const std::string&, const std::string& localFile, TTransferEvents& events,
                  const TShowStatus&) {
        platform::ReplaceFileContents(localFile, std::string(100, 'z'));
        ReportTransfer(events, 100, 100, 25);
        return true;
    };
    Unzip = [](const std::string&, const std::string&, TUnzipEvents& events) {
        events.StartUnZipInfo();
        for (int percent : {25, 50, 75, 100}) {
            events.TotalPercentDone(percent);
        }
        events.UnZipComplete();
    };
    CloseWindow = [](const std::string&, const TShowStatus&) { return true; };
    Run = [](const std::string&, const std::string&, const TShowStatus&) { return true; };
    StopService = [](const std::string&) { return true; };
    StartService = [](const std::string&) { return true; };
    Setup = [](const std::string&, const std::string&) {};
}

std::string ScriptedOperations::HttpGetToMemory(const std::string& url, TTransferEvents& events) {
    Calls->push_back("HttpGetToMemory(" + url + ")");
    return HttpGet(url, events);
}

bool ScriptedOperations::DownLoadFile(const std::string& url, const std::string& localFile,
                                      TTransferEvents& events, const TShowStatus& showStatus) {
    Calls->push_back("DownLoadFile(" + url + "," + localFile + ")");
    return Download(url, localFile, events, showStatus);
}

void ScriptedOperations::UnZipFiles(const std::string& archiveFile, const std::string& destFolder,
                                    TUnzipEvents& events) {
    Calls->push_back("UnZipFiles(" + archiveFile + "," + destFolder + ")");
    Unzip(archiveFile, destFolder, events);
}

bool ScriptedOperations::CloseProgramWindow(const std::string& caption,
                                            const TShowStatus& showStatus) {
    Calls->push_back("CloseProgramWindow(" + caption + ")");
    return CloseWindow(caption, showStatus);
}

bool ScriptedOperations::RunProgram(const platform::CommandLine& commandLine,
                                    const std::string& caption, const TShowStatus& showStatus) {
    std::string words = commandLine.Program;
    for (const std::string& argument : commandLine.Arguments) {
        words += " " + argument;
    }
    Calls->push_back("RunProgram(" + words + "," + caption + ")");
    return Run(words, caption, showStatus);
}

bool ScriptedOperations::StopServiceByName(const std::string& runName) {
    Calls->push_back("StopServiceByName(" + runName + ")");
    return StopService(runName);
}

bool ScriptedOperations::StartServiceByName(const std::string& runName) {
    Calls->push_back("StartServiceByName(" + runName + ")");
    return StartService(runName);
}

void ScriptedOperations::RunSetupProgram(const std::string& tempFolder,
                                         const std::string& setupFile) {
    Calls->push_back("RunSetupProgram(" + tempFolder + "," + setupFile + ")");
    Setup(tempFolder, setupFile);
}

void ScriptedOperations::EnsureDir(const std::string& folder) {
    Calls->push_back("EnsureDir(" + folder + ")");
    TUpdateOperations::EnsureDir(folder);
}

void ScriptedOperations::DeleteDir(const std::string& folder) {
    Calls->push_back("DeleteDir(" + folder + ")");
    TUpdateOperations::DeleteDir(folder);
}

void ScriptedOperations::CopyDir(const std::string& source, const std::string& dest) {
    Calls->push_back("CopyDir(" + source + "," + dest + ")");
    TUpdateOperations::CopyDir(source, dest);
}
