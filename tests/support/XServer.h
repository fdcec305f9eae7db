// XServer: a private X server (Xvfb) on a free display for one test binary, optionally with a
// window manager (openbox), and a way to run the X tools (xdotool, import) against it.
//
// Plain POSIX, no Qt: it runs before a test's application object exists. Everything it starts
// is stopped by the destructor (SIGTERM, a bounded wait, then SIGKILL).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class XServer {
public:
    // Throws std::runtime_error when Xvfb does not come up within 10 s, or when a window manager
    // was asked for and does not announce itself within 10 s.
    // screen: Xvfb's screen as width x height x depth.
    explicit XServer(bool withWindowManager = false, const std::string& screen = "1024x768x24");
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N".
    const std::string& Display() const { return display_; }
    static bool WindowManagerInstalled();

    struct Result {
        int status = -1;  // exit code; -1 when killed after the time limit
        std::string out;
    };
    // Runs argv with DISPLAY set to this server and waits for it, at most timeoutMs.
    Result Run(const std::vector<std::string>& argv, int timeoutMs = 10000) const;

    // The X window of the first visible window whose caption matches the pattern (xdotool's
    // regular expression), waited for up to timeoutMs; "" when none comes.
    std::string WaitForWindow(const std::string& pattern, int timeoutMs = 20000) const;

    // Typing into the window that has the focus, slowly enough for the programs to keep up.
    void Type(const std::string& text) const;
    void Key(const std::string& key) const;
    void TypeLine(const std::string& text) const;

private:
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::string display_;
};

// Starts argv with the extra environment entries, not waited for; -1 when it cannot start.
pid_t SpawnProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                   int stdoutFd = -1);
// SIGTERM, up to graceMs for it to end, then SIGKILL. Safe on -1.
void StopProcess(pid_t& pid, int graceMs = 3000);
