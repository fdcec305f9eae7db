#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "ChildProcess.h"
#include "FileBytes.h"
#include "ProgramWindow.h"
#include "TemporaryFolder.h"
#include "TopLevelWindow.h"
#include "X11Session.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The stand-in client on the binary's X server, stopped by the test if it is still there.
class ClientWindow {
public:
    ClientWindow(const std::string& title, const std::string& mode) : title_(title) {
        ChildProcess::Options options;
        options.env = {"DISPLAY=" + Session().Display(), "QT_QPA_PLATFORM=xcb"};
        process_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{TITLED_WINDOW_EXE, title, mode}, options);
    }
    // Whether its window came up (with its title) within 10 s.
    bool Appeared() const {
        return WaitUntil([this] { return platform::FindTopLevelWindow(title_) != 0; }, 10000);
    }
    bool Ended() {
        return WaitUntil([this] { return !process_->Running(); }, 5000);
    }

private:
    std::string title_;
    std::unique_ptr<ChildProcess> process_;
};

// A client installed under a folder with a blank in its name, "my shop/Pay/VelPay": a script that
// starts the stand-in client on the binary's X server with its own arguments.
class InstallFolder {
public:
    InstallFolder() : root_(MakeTemporaryFolder("velpay-run-")) {
        WriteBytes(Client(), "#!/bin/sh\nexec /usr/bin/env QT_QPA_PLATFORM=xcb '" +
                                 std::string(TITLED_WINDOW_EXE) + "' \"$@\"\n");
        std::filesystem::permissions(Client(), std::filesystem::perms::owner_all);
    }
    ~InstallFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string Pay() const { return (root_ / "my shop" / "Pay").string(); }
    std::string Client() const { return Pay() + "/VelPay"; }

private:
    std::filesystem::path root_;
};

class ProgramWindowTest : public ::testing::Test {
protected:
    TShowStatus Record() {
        return [this](const std::string& line) { lines_.push_back(line); };
    }
    std::vector<std::string> lines_;
};

TEST_F(ProgramWindowTest, NoSuchWindowIsTrueAtOnce) {
    auto started = Clock::now();
    EXPECT_TRUE(CloseProgramWindow("海川微信支付收银系统 (none)", Record()));
    EXPECT_LT(Clock::now() - started, 500ms);
    EXPECT_TRUE(lines_.empty());
}

TEST_F(ProgramWindowTest, WindowThatClosesAtOnceStillTakesThreePolls) {
    ClientWindow client("海川微信支付收银系统", "shown");
    ASSERT_TRUE(client.Appeared());
    auto started = Clock::now();
    EXPECT_TRUE(CloseProgramWindow("海川微信支付收银系统", Record()));
    auto took = Clock::now() - started;
    EXPECT_GE(took, 2900ms);
    EXPECT_LT(took, 6s);
    EXPECT_TRUE(client.Ended());
    EXPECT_TRUE(lines_.empty());
}

TEST_F(ProgramWindowTest, WindowHiddenToTheTrayIsFoundAndClosed) {
    ClientWindow client("Till hidden", "hidden");
    ASSERT_TRUE(client.Appeared());
    EXPECT_TRUE(CloseProgramWindow("Till hidden", Record(), TWindowLimits{100ms, 5000ms}));
    EXPECT_TRUE(client.Ended());
    EXPECT_EQ(platform::FindTopLevelWindow("Till hidden"), 0u);
}

TEST_F(ProgramWindowTest, TitleMustMatchWhole) {
    ClientWindow client("Till 12", "shown");
    ASSERT_TRUE(client.Appeared());
    EXPECT_EQ(platform::FindTopLevelWindow("Till 1"), 0u);
    EXPECT_EQ(platform::FindTopLevelWindow("Till 123"), 0u);
    EXPECT_EQ(platform::FindTopLevelWindow("till 12"), 0u);
    EXPECT_TRUE(CloseProgramWindow("Till 1", Record(), TWindowLimits{100ms, 1000ms}));
    EXPECT_NE(platform::FindTopLevelWindow("Till 12"), 0u);  // not touched
    EXPECT_TRUE(CloseProgramWindow("Till 12", Record(), TWindowLimits{100ms, 5000ms}));
    EXPECT_TRUE(client.Ended());
}

TEST_F(ProgramWindowTest, WindowThatStaysFailsAtTheBound) {
    ClientWindow client("Stubborn till", "stubborn");
    ASSERT_TRUE(client.Appeared());
    auto started = Clock::now();
    EXPECT_FALSE(CloseProgramWindow("Stubborn till", Record(), TWindowLimits{100ms, 600ms}));
    EXPECT_LT(Clock::now() - started, 3s);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].rfind("关闭当前程序出现异常,异常信息:", 0), 0u) << lines_[0];
    EXPECT_EQ(lines_[0].back(), '!');
}

TEST_F(ProgramWindowTest, RunProgramClosesTheOldWindowAndStartsTheCommandLine) {
    ClientWindow old("Till old", "shown");
    ASSERT_TRUE(old.Appeared());
    InstallFolder shop;
    // Unquoted, as the client writes it into RunName.
    EXPECT_TRUE(RunProgram(platform::ReadCommandLine(shop.Client() + " \"Till new\" shown"),
                           "Till old", Record(), TWindowLimits{100ms, 5000ms}));
    EXPECT_TRUE(old.Ended());
    EXPECT_TRUE(WaitUntil([] { return platform::FindTopLevelWindow("Till new") != 0; }, 10000));
    // The started program is not ours to wait for; its window closes it.
    EXPECT_TRUE(CloseProgramWindow("Till new", Record(), TWindowLimits{100ms, 5000ms}));
    EXPECT_TRUE(lines_.empty());
}

TEST_F(ProgramWindowTest, RunProgramThatCannotStartFailsWithTheReason) {
    InstallFolder shop;
    const std::string missing = shop.Pay() + "/VelPay2";
    EXPECT_FALSE(RunProgram(platform::ReadCommandLine(missing), "Till none", Record(),
                            TWindowLimits{100ms, 1000ms}));
    EXPECT_EQ(lines_, (std::vector<std::string>{"启动新版本程序出现异常:Cannot start \"" + missing +
                                                "\": No such file or directory!"}));
}

}  // namespace
