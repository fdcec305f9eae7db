// ChildProcess: a program a test starts (a print server, a bus, an X server), in a process group
// of its own so that whatever it starts in turn goes with it. The destructor stops the whole
// group: SIGTERM, a bounded wait, then SIGKILL. Plain POSIX, usable before any Qt object.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
    struct Options {
        std::vector<std::string> env;  // "NAME=value", added to or replacing this process's
        std::string outputFile;        // stdout and stderr go here; empty: /dev/null
        bool reportOnFd3 = false;      // a pipe on fd 3 (Xvfb -displayfd 3, --print-address=3)
    };

    // Throws std::runtime_error when the program cannot be started.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ChildProcess(const std::vector<std::string>& argv, const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // The first line the program writes on fd 3, without its line end; empty when none comes
    // within timeoutMs.
    std::string ReadReport(int timeoutMs);
    void Stop(int graceMs = 3000);
    // Waits up to timeoutMs for the program to end by itself: its exit code, or -1 while it
    // still runs (or when a signal ended it).
    int WaitExit(int timeoutMs);

private:
    pid_t pid_ = -1;
    int reportFd_ = -1;
};

struct ProgramResult {
    int status = -1;  // the exit code; -1 when it had to be killed or could not start
    std::string out;  // what it wrote to stdout
};

// Runs argv to its end, at most timeoutMs; stderr goes to /dev/null.
ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutMs = 30000);

// Whether the process pid has ended: gone, or a zombie that whoever adopted it has not collected.
bool ProcessEnded(pid_t pid);

// Asks check() until it is true, at most timeoutMs; whether it became true.
bool WaitUntil(const std::function<bool()>& check, int timeoutMs);

// Whether a program is found on PATH (or at its absolute path).
bool ProgramInstalled(const std::string& name);
