#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ChildProcess;

// A print server of our own on a socket in a temporary folder, with its own configuration,
// spool and logs; the system's CUPS is never touched. Queues write each job to a file. While
// it runs, this process and every program started from it print through it, and keep their
// client settings (the default printer the user chose) in the folder too.
class PrivateCups {
public:
    // What the server needs that is not installed; empty when everything is there.
    static std::string MissingTool();

    explicit PrivateCups(const std::string& folder);
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    std::string Socket() const { return folder_ + "cups.sock"; }
    // Where the client settings of the user running the tests are kept.
    std::string ClientFolder() const { return folder_ + "client/"; }

    // A queue that writes every job, as PDF, to outputFile.
    void AddQueue(const std::string& name, const std::string& outputFile);
    void RemoveQueue(const std::string& name);
    // The server's own default, which a client's choice overrides.
    void SetDefault(const std::string& name);

    // The client's default as lpstat reports it; empty when there is none.
    static std::string ClientDefault();
    static bool JobsPending();
    // Waits until outputFile holds a finished job; whether it came within timeoutMs.
    static bool WaitForJob(const std::string& outputFile, int timeoutMs = 60000);

private:
    std::string folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
    std::unique_ptr<ChildProcess> cupsd_;
};
