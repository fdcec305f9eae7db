#pragma once

#include <chrono>
#include <string>

#include "Process.h"
#include "UpdateDownload.h"

// Bounds of the window wait. The defaults are what the updater uses; tests shorten them.
struct TWindowLimits {
    // Between two looks for the window after the close request.
    std::chrono::milliseconds Poll{1000};
    // A window still there this long after the close request fails the close.
    std::chrono::milliseconds Close{60000};
};

// Asks the top-level window titled exactly Caption (also one hidden to the tray) to close, then
// looks again once a second, at least three times, until it is gone. True when no such window
// exists (also when no X server can be reached) or it has gone; on an error (a close request that
// cannot be sent, a window that stays past the bound) the line
// "关闭当前程序出现异常,异常信息:" + message + "!" is shown and the result is false.
bool CloseProgramWindow(const std::string& caption, const TShowStatus& showStatus,
                        const TWindowLimits& limits = {});

// Closes the window titled Caption (its result not used), then starts the program of a command line
// already read (as Windows reads one), not waited for: that very file, not whatever a shorter
// prefix of its path names by now. True; on an error, a program that cannot be started among
// them, the line "启动新版本程序出现异常:" + message + "!" and false.
bool RunProgram(const platform::CommandLine& commandLine, const std::string& caption,
                const TShowStatus& showStatus, const TWindowLimits& limits = {});
