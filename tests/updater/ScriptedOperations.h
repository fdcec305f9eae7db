#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UpdateOperations.h"

// The update steps' operations with outcomes a test chooses. By default every transfer, the
// unpacking, the window and service operations succeed and report their events as the real ones
// would; the version file and the folders are handled by the real operations. Every call but
// the saving of the version file is noted in Calls, in order.
class ScriptedOperations : public TUpdateOperations {
public:
    ScriptedOperations();

    std::function<std::string(const std::string& url, TTransferEvents& events)> HttpGet;
    std::function<bool(const std::string& url, const std::string& localFile,
                       TTransferEvents& events, const TShowStatus& showStatus)>
        Download;
    std::function<void(const std::string& archive, const std::string& dest, TUnzipEvents& events)>
        Unzip;
    std::function<bool(const std::string& caption, const TShowStatus& showStatus)> CloseWindow;
    std::function<bool(const std::string& commandLine, const std::string& caption,
                       const TShowStatus& showStatus)>
        Run;
    std::function<bool(const std::string& name)> StopService;
    std::function<bool(const std::string& name)> StartService;
    std::function<void(const std::string& tempFolder, const std::string& setupFile)> Setup;

    // What the default GET answers, as the server's bytes.
    std::string VersionFile;
    // Shared, so that a test still reads it once the window has freed its operations.
    std::shared_ptr<std::vector<std::string>> Calls = std::make_shared<std::vector<std::string>>();

    std::string HttpGetToMemory(const std::string& url, TTransferEvents& events) override;
    bool DownLoadFile(const std::string& url, const std::string& localFile, TTransferEvents& events,
                      const TShowStatus& showStatus) override;
    void UnZipFiles(const std::string& archiveFile, const std::string& destFolder,
                    TUnzipEvents& events) override;
    bool CloseProgramWindow(const std::string& caption, const TShowStatus& showStatus) override;
    bool RunProgram(const platform::CommandLine& commandLine, const std::string& caption,
                    const TShowStatus& showStatus) override;
    bool StopServiceByName(const std::string& runName) override;
    bool StartServiceByName(const std::string& runName) override;
    void RunSetupProgram(const std::string& tempFolder, const std::string& setupFile) override;
    void EnsureDir(const std::string& folder) override;
    void DeleteDir(const std::string& folder) override;
    void CopyDir(const std::string& source, const std::string& dest) override;
};

// A transfer of total bytes as the transfers report it: begin with expected (0 when the server
// says nothing), the counts after each read of chunk bytes, then the end.
void ReportTransfer(TTransferEvents& events, int64_t total, int64_t expected, int64_t chunk);
