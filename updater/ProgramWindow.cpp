#include "ProgramWindow.h"

#include "Process.h"
#include "QzErrors.h"
#include "TopLevelWindow.h"

namespace {

// Asks once, then looks again after every pause: never fewer than three looks, and on for as
// long as the window stays, up to the bound.
void CloseAndWait(const std::string& caption, const TWindowLimits& limits) {
    unsigned long window = platform::FindTopLevelWindow(caption);
    if (window == 0) {
        return;
    }
    if (!platform::CloseTopLevelWindow(window)) {
        throw Exception("the close request could not be sent to the window \"" + caption + "\"");
    }
    const auto asked = std::chrono::steady_clock::now();
    for (int polls = 1;; ++polls) {
        platform::SleepWithMessages(static_cast<int>(limits.Poll.count()));
        bool found = platform::FindTopLevelWindow(caption) != 0;
        if (!found && polls >= 3) {
            return;
        }
        if (found && std::chrono::steady_clock::now() - asked >= limits.Close) {
            throw Exception("the window \"" + caption + "\" is still open " +
                            std::to_string(limits.Close.count() / 1000) +
                            " s after the close request");
        }
    }
}

}  // namespace

bool CloseProgramWindow(const std::string& caption, const TShowStatus& showStatus,
                        const TWindowLimits& limits) {
    try {
        CloseAndWait(caption, limits);
        return true;
    } catch (const std::exception& e) {
        showStatus(std::string("关闭当前程序出现异常,异常信息:") + e.what() + "!");
        return false;
    }
}

bool RunProgram(const platform::CommandLine& commandLine, const std::string& caption,
                const TShowStatus& showStatus, const TWindowLimits& limits) {
    try {
        CloseProgramWindow(caption, showStatus, limits);
        // Not waited for: the program runs on after the updater has ended.
        platform::StartProgram(commandLine);
        return true;
    } catch (const std::exception& e) {
        showStatus(std::string("启动新版本程序出现异常:") + e.what() + "!");
        return false;
    }
}
