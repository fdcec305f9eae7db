#include "XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Reads what fd gives until it closes or the deadline passes.
std::string ReadAll(int fd, Clock::time_point deadline, pid_t pid, int* status) {
    std::string out;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return out;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) > 0) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                out.append(buffer, static_cast<size_t>(n));
                continue;
            }
            while (Clock::now() < deadline) {
                int raw = 0;
                if (waitpid(pid, &raw, WNOHANG) == pid) {
                    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
                    return out;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return out;
        }
    }
}

}  // namespace

pid_t SpawnProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   int stdoutFd) {
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool overridden = false;
        for (const auto& mine : env) {
            overridden = overridden || mine.compare(0, name.size(), name) == 0;
        }
        if (!overridden) {
            environment.push_back(entry);
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    }
    pid_t pid = -1;
    auto argp = Pointers(args);
    auto envp = Pointers(environment);
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

void StopProcess(pid_t& pid, int graceMs) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
    while (Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool XServer::WindowManagerInstalled() {
    return access("/usr/bin/openbox", X_OK) == 0;
}

XServer::XServer(bool withWindowManager, const std::string& screen) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        throw std::runtime_error("no pipe for Xvfb");
    }
    fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb picks a free display itself and tells its number on the pipe.
    xvfb_ = SpawnProcess({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", screen,
                          "-nolisten", "tcp", "-noreset"});
    close(pipeFds[1]);
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (xvfb_ > 0 && number.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{pipeFds[0], POLLIN, 0};
        char c;
        if (poll(&p, 1, 100) > 0 && read(pipeFds[0], &c, 1) == 1) {
            number += c;
        } else if (waitpid(xvfb_, nullptr, WNOHANG) == xvfb_) {
            xvfb_ = -1;
        }
    }
    close(pipeFds[0]);
    if (number.find('\n') == std::string::npos) {
        StopProcess(xvfb_);
        throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number.substr(0, number.find('\n'));

    if (withWindowManager) {
        wm_ = SpawnProcess({"openbox", "--sm-disable"}, {"DISPLAY=" + display_});
        const auto wmDeadline = Clock::now() + std::chrono::seconds(10);
        while (Run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") ==
               std::string::npos) {
            if (Clock::now() > wmDeadline) {
                StopProcess(wm_);
                StopProcess(xvfb_);
                throw std::runtime_error("the window manager did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

XServer::~XServer() {
    StopProcess(wm_);
    StopProcess(xvfb_);
}

XServer::Result XServer::Run(const std::vector<std::string>& argv, int timeoutMs) const {
    Result result;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    pid_t pid = SpawnProcess(argv, {"DISPLAY=" + display_}, out[1]);
    close(out[1]);
    if (pid <= 0) {
        close(out[0]);
        return result;
    }
    result.out =
        ReadAll(out[0], Clock::now() + std::chrono::milliseconds(timeoutMs), pid, &result.status);
    close(out[0]);
    if (result.status == -1) {
        StopProcess(pid, 0);
    }
    return result;
}

void XServer::Type(const std::string& text) const {
    Run({"xdotool", "type", "--delay", "15", text});
}

void XServer::Key(const std::string& key) const {
    Run({"xdotool", "key", key});
}

void XServer::TypeLine(const std::string& text) const {
    Type(text);
    Key("Return");
}

std::string XServer::WaitForWindow(const std::string& pattern, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        const std::string out = Run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out;
        if (!out.empty()) {
            return out.substr(0, out.find('\n'));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}
