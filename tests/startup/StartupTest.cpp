#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "ClientStartup.h"
#include "NobodyHolds.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"

extern char** environ;

namespace {

// A copy of the real VelPay under a name of the test's choosing, run on the offscreen platform
// with message boxes answered at once. Started directly, or through a runner (a command that runs
// the rest of its arguments).
class RunningCopy {
public:
    RunningCopy(const TestFolder& dir, const std::string& name,
                std::vector<std::string> runner = {}) {
        path_ = dir.File(name);
        std::filesystem::copy_file(VELPAY_EXE, path_);
        runner.push_back(path_);
        std::vector<char*> argv;
        for (auto& a : runner)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                        "VELPAY_TEST_MESSAGEBOXES=" + dir.File(name + ".boxes")};
        for (char** e = environ; *e; ++e) {
            env.emplace_back(*e);
        }
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
    }
    ~RunningCopy() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit code, or -1 while it still runs after the wait.
    int WaitExit(std::chrono::milliseconds limit) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    std::string path_;
    pid_t pid_ = -1;
};

}  // namespace

TEST(Startup, AppNamesComeFromTheExecutableName) {
    InitAppNames("/opt/velpay/a.b.exe");
    EXPECT_EQ(AppExeName, "a.b");
    EXPECT_EQ(AppTitle, "海川微信支付收银系统1.0.5[a.b]");
    InitAppNames("/opt/velpay/VelPay");
    EXPECT_EQ(AppTitle, "海川微信支付收银系统1.0.5[VelPay]");
}

TEST(Startup, DataFoldersAreMadeButNoFile) {
    TestFolder dir;
    EnsureDataDirs();
    LoadConfig();
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Config")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Parameter")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Config/Config.ini")));
    EXPECT_EQ(ConfigIni->FileName, dir.File("Config/Config.ini"));
    FreeConfig();
    EXPECT_EQ(ConfigIni, nullptr);
}

TEST(Startup, GarbageConfigurationStillStarts) {
    TestFolder dir;
    dir.Write("Config/Config.ini", std::string("\xFF\xFE[\x81\n", 5) + std::string(300000, '=') +
                                       "\n[系统设置\nLogLevel=\xFF\xFF\n");
    EnsureDataDirs();
    LoadConfig();
    EXPECT_EQ(SystemSet.LogLevel, 0);
    FreeConfig();
}

TEST(Startup, OneInstancePerExecutableName) {
    TestFolder dir;
    RunningCopy first(dir, "TillA");
    ASSERT_EQ(first.WaitExit(std::chrono::milliseconds(1500)), -1)
        << "the first copy keeps running";
    RunningCopy second(dir, "TillA2");  // another name runs beside it
    EXPECT_EQ(second.WaitExit(std::chrono::milliseconds(1500)), -1);
    TestFolder other;
    RunningCopy same(other, "TillA");  // the same name elsewhere is refused
    EXPECT_EQ(same.WaitExit(std::chrono::seconds(20)), 1);
    EXPECT_EQ(other.Read("TillA.boxes"), "|已运行!|16\n");
}

TEST(Startup, AnotherUsersTillDoesNotStopThisUsersStart) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run a till as another user";
    }
    TestFolder theirs;
    std::filesystem::permissions(theirs.Path(), std::filesystem::perms::all);
    RunningCopy other(theirs, "TillB",
                      {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    ASSERT_EQ(other.WaitExit(std::chrono::milliseconds(1500)), -1) << "their till keeps running";
    TestFolder mine;
    RunningCopy same(mine, "TillB");
    EXPECT_EQ(same.WaitExit(std::chrono::milliseconds(1500)), -1) << mine.Read("TillB.boxes");
}

// The same user's till started twice, each time in the session (XDG_RUNTIME_DIR naming a folder
// of the user's alone) or with no such variable, as cron, sudo -u or a systemd unit start it,
// while another user may hold the till's name. Neither changes where the lock lives.
struct SecondStartCase {
    const char* name;
    const char* exe;  // one per row: the lock goes by the executable's name
    bool firstInSession = false;
    bool secondInSession = false;
    bool folderAtTheLocksName = false;
    bool queueFilled = false;                       // by earlier refused starts, before the second
    std::optional<NameSquat> squat = std::nullopt;  // by user nobody, before the first start
    bool homeOfItsOwn = true;               // otherwise the home is a folder others can write
    bool secondInANetworkOfItsOwn = false;  // where the machine's socket names are others
};

// Connects to the till's name until its queue takes no more, as thousands of refused starts do.
void FillQueue(const std::string& exe) {
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    const std::string name = "velpay-instance/" + std::to_string(::getuid()) + "/" + exe;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    for (int tries = 0; tries < 100000; ++tries) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const bool taken = ::connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0;
        ::close(fd);
        if (!taken) {
            return;
        }
    }
}

class SameUsersSecondStart : public ::testing::TestWithParam<SecondStartCase> {};

TEST_P(SameUsersSecondStart, IsRefusedWhateverItsEnvironment) {
    const SecondStartCase& c = GetParam();
    const std::string exe = c.exe;
    if ((c.squat || c.secondInANetworkOfItsOwn) && ::geteuid() != 0) {
        GTEST_SKIP() << "only root can hold a name as another user or make a network namespace";
    }
    const auto squatter = c.squat ? SquatInstanceName(exe, *c.squat) : nullptr;
    ASSERT_TRUE(!squatter || squatter->Holds());
    TestFolder session;
    std::filesystem::permissions(session.Path(), std::filesystem::perms::owner_all);
    TestFolder openHome;
    std::filesystem::permissions(openHome.Path(), std::filesystem::perms::all);
    if (c.folderAtTheLocksName) {
        std::filesystem::create_directory(std::string(std::getenv("VELPAY_TEST_HOME")) + "/." +
                                          exe + ".lock");
    }
    auto runner = [&](bool inSession) {
        std::vector<std::string> env =
            inSession ? std::vector<std::string>{"env", "XDG_RUNTIME_DIR=" + session.Path()}
                      : std::vector<std::string>{"env", "-u", "XDG_RUNTIME_DIR"};
        if (!c.homeOfItsOwn) {
            env.push_back("VELPAY_TEST_HOME=" + openHome.Path());
        }
        return env;
    };
    TestFolder dir;
    RunningCopy first(dir, exe, runner(c.firstInSession));
    ASSERT_EQ(first.WaitExit(std::chrono::milliseconds(1500)), -1) << dir.Read(exe + ".boxes");
    if (c.queueFilled) {
        FillQueue(exe);
    }
    TestFolder other;
    std::vector<std::string> secondRunner = runner(c.secondInSession);
    if (c.secondInANetworkOfItsOwn) {
        secondRunner.insert(secondRunner.begin(), {"unshare", "--net"});
    }
    RunningCopy second(other, exe, secondRunner);
    EXPECT_EQ(second.WaitExit(std::chrono::seconds(20)), 1);
    EXPECT_EQ(other.Read(exe + ".boxes"), "|已运行!|16\n");
}

INSTANTIATE_TEST_SUITE_P(
    Startup, SameUsersSecondStart,
    ::testing::Values(
        SecondStartCase{.name = "InSessionThenWithout", .exe = "TillE1", .firstInSession = true},
        SecondStartCase{.name = "WithoutThenInSession", .exe = "TillE2", .secondInSession = true},
        SecondStartCase{.name = "AFolderAtTheLocksName",
                        .exe = "TillE3",
                        .firstInSession = true,
                        .secondInSession = true,
                        .folderAtTheLocksName = true},
        SecondStartCase{
            .name = "AfterThousandsOfRefusedStarts", .exe = "TillE4", .queueFilled = true},
        SecondStartCase{.name = "AfterThousandsOfRefusedStartsInSession",
                        .exe = "TillE5",
                        .secondInSession = true,
                        .queueFilled = true},
        // Whether their name listens or not, it is not this user's.
        SecondStartCase{.name = "AnotherUserBindsTheNameInSession",
                        .exe = "TillC",
                        .firstInSession = true,
                        .secondInSession = true,
                        .squat = NameSquat::Bound},
        SecondStartCase{.name = "AnotherUserListensOnTheNameInSession",
                        .exe = "TillC2",
                        .firstInSession = true,
                        .secondInSession = true,
                        .squat = NameSquat::Listening},
        SecondStartCase{
            .name = "AnotherUserBindsTheName", .exe = "TillE6", .squat = NameSquat::Bound},
        SecondStartCase{.name = "AnotherUserListensOnTheName",
                        .exe = "TillE7",
                        .secondInSession = true,
                        .squat = NameSquat::Listening},
        SecondStartCase{.name = "AnotherUserListensWithAFullQueue",
                        .exe = "TillE8",
                        .squat = NameSquat::ListeningWithAFullQueue},
        SecondStartCase{.name = "SecondInANetworkNamespaceOfItsOwn",
                        .exe = "TillE10",
                        .secondInANetworkOfItsOwn = true},
        // Where the name is the only lock, the till keeps its queue empty.
        SecondStartCase{.name = "NoHomeOfItsOwnAfterThousandsOfRefusedStarts",
                        .exe = "TillE9",
                        .secondInSession = true,
                        .queueFilled = true,
                        .homeOfItsOwn = false}),
    [](const auto& info) { return std::string(info.param.name); });
