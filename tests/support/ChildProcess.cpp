#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
    std::vector<std::string> result = overrides;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const auto& mine : overrides) {
            replaced = replaced || mine.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            result.push_back(text);
        }
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The program's file as PATH finds it; the name itself when it holds a "/" or is not found.
std::string Locate(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = folders.find(':', start);
        std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string::npos) {
            return name;
        }
        start = end + 1;
    }
}

// Starts argv in a new process group; fds maps child fd -> parent fd. The program is told to
// end when this process does, so a test killed on its time limit leaves no server behind.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::vector<std::pair<int, int>>& fds) {
    std::string file = Locate(argv.at(0));
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = Environment(env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    // In the child only async-signal-safe calls until exec.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) {
        _exit(127);
    }
    for (auto [child, from] : fds) {
        if (from == child) {
            fcntl(child, F_SETFD, 0);
        } else {
            dup2(from, child);
        }
    }
    execve(file.c_str(), argp.data(), envp.data());
    _exit(127);
}

// Waits for pid to end, at most timeoutMs; false when it did not. *status: its exit code or -1.
bool Reap(pid_t pid, int timeoutMs, int* status) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int raw = 0;
        pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid || done < 0) {
            if (status) {
                *status = done == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void StopGroup(pid_t pid, int graceMs) {
    kill(-pid, SIGTERM);
    bool ended = Reap(pid, graceMs, nullptr);
    // Whatever the program started and left behind goes too.
    kill(-pid, SIGKILL);
    if (!ended) {
        Reap(pid, 2000, nullptr);
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) : ChildProcess(argv, Options{}) {}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Options& options) {
    std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile;
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2] = {-1, -1};
    if (options.reportOnFd3 && pipe2(report, O_CLOEXEC) != 0) {
        report[0] = report[1] = -1;
    }
    std::vector<std::pair<int, int>> fds{{0, null}, {1, out}, {2, out}};
    if (report[1] >= 0) {
        fds.push_back({3, report[1]});
    }
    pid_ = (out >= 0 && null >= 0) ? Spawn(argv, options.env, fds) : -1;
    for (int fd : {out, null, report[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    reportFd_ = report[0];
    if (pid_ < 0) {
        if (reportFd_ >= 0) {
            close(reportFd_);
        }
        throw std::runtime_error("cannot start " + argv.at(0));
    }
}

ChildProcess::~ChildProcess() {
    Stop();
    if (reportFd_ >= 0) {
        close(reportFd_);
    }
}

bool ChildProcess::Running() {
    if (pid_ < 0) {
        return false;
    }
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

std::string ChildProcess::ReadReport(int timeoutMs) {
    std::string line;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (reportFd_ >= 0) {
        pollfd p{reportFd_, POLLIN, 0};
        if (poll(&p, 1, MillisecondsLeft(deadline)) <= 0) {
            return {};
        }
        char c = 0;
        if (read(reportFd_, &c, 1) != 1) {
            return {};
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return {};
}

void ChildProcess::Stop(int graceMs) {
    if (pid_ > 0) {
        StopGroup(pid_, graceMs);
        pid_ = -1;
    }
}

int ChildProcess::WaitExit(int timeoutMs) {
    int status = -1;
    if (pid_ > 0 && Reap(pid_, timeoutMs, &status)) {
        pid_ = -1;
        return status;
    }
    return -1;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutMs) {
    ProgramResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t pid = Spawn(argv, {}, {{0, null}, {1, pipeFds[1]}, {2, null}});
    close(pipeFds[1]);
    close(null);
    if (pid < 0) {
        close(pipeFds[0]);
        return result;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, MillisecondsLeft(deadline)) <= 0) {
            break;
        }
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.out.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    if (!Reap(pid, MillisecondsLeft(deadline), &result.status)) {
        StopGroup(pid, 0);
        result.status = -1;
    }
    return result;
}

bool ProcessEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string id, name, state;
    return !(stat >> id >> name >> state) || state == "Z";
}

bool WaitUntil(const std::function<bool()>& check, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!check()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool ProgramInstalled(const std::string& name) {
    std::string file = Locate(name);
    return file.find('/') != std::string::npos && access(file.c_str(), X_OK) == 0;
}
