#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QThread>
#include <QTimer>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "ChildProcess.h"
#include "Process.h"
#include "TestFolder.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Ends the test process with SIGALRM when what it guards never returns.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { alarm(seconds); }
    ~Watchdog() { alarm(0); }
};

TEST(SleepWithMessages, PauseWhoseEventHandlerOutlastsItReturns) {
    QTimer::singleShot(0, [] { QThread::msleep(60); });
    Watchdog watchdog(30);
    SleepWithMessages(20);
}

// Whether no started program is left uncollected.
bool NoChildLeft() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// The folder {d}: the folder "my" beside the program "my shop/Pay/VelPay", and the programs
// "run" and "run me".
class CommandLineFolder : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.File("my"));
        dir_.Write("my shop/Pay/VelPay", "#!/bin/sh\n");
        dir_.Write("run", "#!/bin/sh\n");
        dir_.Write("run me", "#!/bin/sh\n");
    }
    std::string Expand(const std::string& text) const {
        std::string out = text;
        for (size_t at; (at = out.find("{d}")) != std::string::npos;) {
            out.replace(at, 3, dir_.Path());
        }
        return out;
    }

    TestFolder dir_;
};

struct ReadCase {
    const char* name;
    const char* commandLine;
    const char* program;
    std::vector<std::string> arguments;
};

class ReadCommandLineTest : public CommandLineFolder,
                            public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadCommandLineTest, FindsTheProgramAsWindowsDoes) {
    const CommandLine line = ReadCommandLine(Expand(GetParam().commandLine));
    EXPECT_EQ(line.Program, Expand(GetParam().program));
    EXPECT_EQ(line.Arguments, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadCommandLineTest,
    ::testing::Values(
        ReadCase{
            "FolderOnTheWayIsPassedOver", "{d}my shop/Pay/VelPay", "{d}my shop/Pay/VelPay", {}},
        ReadCase{"ArgumentsFollowTheProgram",
                 "{d}my shop/Pay/VelPay  -a \"b c\"",
                 "{d}my shop/Pay/VelPay",
                 {"-a", "b c"}},
        ReadCase{"FirstFileFromTheLeftWins", "{d}run me now", "{d}run", {"me", "now"}},
        ReadCase{"QuotedIsTakenAsQuoted", " \"{d}run me\" now", "{d}run me", {"now"}},
        ReadCase{"QuotedThatNamesNothing", "\"{d}my shop\" x", "{d}my shop", {"x"}},
        ReadCase{"NoFileGivesAllUpToAQuote", "{d}my shop/Pay \"x y\"", "{d}my shop/Pay", {"x y"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StartFailure {
    const char* name;
    const char* commandLine;
    const char* reason;
};

class StartFailureTest : public CommandLineFolder,
                         public ::testing::WithParamInterface<StartFailure> {};

TEST_P(StartFailureTest, RaisesWithTheReasonAndWinExecReturnsAnError) {
    const std::string commandLine = Expand(GetParam().commandLine);
    try {
        StartProgram(commandLine);
        ADD_FAILURE() << "started";
    } catch (const std::system_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot start \"" + commandLine + "\": " + GetParam().reason);
    }
    EXPECT_LT(WinExec(commandLine), 32u);
    EXPECT_TRUE(NoChildLeft());
}

INSTANTIATE_TEST_SUITE_P(
    Programs, StartFailureTest,
    ::testing::Values(StartFailure{"Missing", "{d}my shop/Pay/Missing",
                                   "No such file or directory"},
                      StartFailure{"NotExecutable", "{d}my shop/Pay/VelPay", "Permission denied"},
                      StartFailure{"Folder", "\"{d}my shop/Pay\"", "Permission denied"},
                      StartFailure{"Empty", "  ", "No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLineFolder, WaitKeepsTheEventsGoingAndCollectsTheEndedProgram) {
    // The program ends only once an event handled during the wait has made the file "go".
    StartedProgram program(
        ReadCommandLine(Expand("/bin/sh -c \"while [ ! -e '{d}go' ]; do sleep 0.05; done\"")));
    QTimer::singleShot(0, [this] { dir_.Write("go", ""); });
    EXPECT_TRUE(program.WaitWithMessages(30000));
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(CommandLineFolder, ProgramNotWaitedForLeavesNothingBehindWhenItEnds) {
    EXPECT_GT(WinExec(Expand("/bin/sh -c \"touch '{d}ran'\"")), 31u);
    ASSERT_TRUE(WaitUntil([this] { return fs::exists(dir_.File("ran")); }, 10000));
    SleepWithMessages(200);  // it ends just after; whatever collects it has had its chance
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(CommandLineFolder, ProgramOutlastingTheWaitIsEndedWithItsGroup) {
    StartedProgram program(ReadCommandLine(
        Expand("/bin/sh -c \"sleep 60 & echo $! > '{d}sleeper.new'; mv '{d}sleeper.new' "
               "'{d}sleeper'; wait\"")));
    ASSERT_TRUE(WaitUntil([this] { return fs::exists(dir_.File("sleeper")); }, 10000));
    EXPECT_FALSE(program.WaitWithMessages(100));
    program.EndGroup();
    EXPECT_TRUE(NoChildLeft());
    const pid_t sleeper = std::stoi(dir_.Read("sleeper"));
    EXPECT_TRUE(WaitUntil([&] { return ProcessEnded(sleeper); }, 5000));
}

}  // namespace
