#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "ClientStartup.h"
#include "NobodyHolds.h"
#include "QzRuntimeGlobal.h"
#include "SingleInstance.h"
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
    ~RunningCopy() { Kill(); }
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(std::exchange(pid_, -1), nullptr, 0);
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

// The home the password database gives the user, as a row of the tables below has it.
enum class Home {
    OfItsOwn,
    OpenToAll,      // a folder others can write: no home of its own
    ComesLate,      // missing at the first start (mounted at log-in), there at the second
    ALink,          // a link to a folder of the user's own
    ReadableByAll,  // where user nobody holds a lock file of the till's once open to them
};

// The folder a row's home is, in homes; empty for the test binary's own.
std::string ArrangeHome(Home home, const TestFolder& homes, const std::string& exe,
                        std::unique_ptr<NobodyHolds>& held) {
    namespace fs = std::filesystem;
    fs::permissions(homes.Path(), static_cast<fs::perms>(0755));
    const std::string path = homes.File("home");
    switch (home) {
        case Home::OfItsOwn:
            return std::getenv("VELPAY_TEST_HOME");
        case Home::OpenToAll:
            fs::create_directory(path);
            fs::permissions(path, fs::perms::all);
            break;
        case Home::ComesLate:
            break;
        case Home::ALink:
            fs::create_directory(homes.File("real"));
            fs::permissions(homes.File("real"), fs::perms::owner_all);
            fs::create_directory_symlink("real", path);
            break;
        case Home::ReadableByAll:
            fs::create_directory(path);
            held = HoldOnceOpenLockFile(path + "/" + platform::HomeLockName(exe));
            break;
    }
    return path;
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
    Home home = Home::OfItsOwn;
    bool secondInANetworkOfItsOwn = false;  // where the machine's socket names are others
};

// Connects to the till's name until its queue takes no more, as thousands of refused starts do.
void FillQueue(const std::string& exe, const std::string& home) {
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    const std::string name = platform::InstanceName(exe, home);
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
    TestFolder homes;
    std::unique_ptr<NobodyHolds> held;
    const std::string home = ArrangeHome(c.home, homes, exe, held);
    if (c.folderAtTheLocksName) {
        std::filesystem::create_directory(std::string(std::getenv("VELPAY_TEST_HOME")) + "/" +
                                          platform::HomeLockName(exe));
    }
    auto runner = [&](bool inSession) {
        std::vector<std::string> env =
            inSession ? std::vector<std::string>{"env", "XDG_RUNTIME_DIR=" + session.Path()}
                      : std::vector<std::string>{"env", "-u", "XDG_RUNTIME_DIR"};
        if (!home.empty()) {
            env.push_back("VELPAY_TEST_HOME=" + home);
        }
        return env;
    };
    TestFolder dir;
    RunningCopy first(dir, exe, runner(c.firstInSession));
    ASSERT_EQ(first.WaitExit(std::chrono::milliseconds(1500)), -1) << dir.Read(exe + ".boxes");
    if (c.queueFilled) {
        FillQueue(exe, home);
    }
    if (c.home == Home::ComesLate) {
        std::filesystem::create_directory(home);
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
                        .home = Home::OpenToAll},
        SecondStartCase{
            .name = "HomeMountedAfterTheFirstStart", .exe = "TillE11", .home = Home::ComesLate},
        // Where the name cannot guard, the home's lock must.
        SecondStartCase{.name = "HomeGivenAsALink",
                        .exe = "TillE12",
                        .home = Home::ALink,
                        .secondInANetworkOfItsOwn = true}),
    [](const auto& info) { return std::string(info.param.name); });

// A till that must start though its home's lock file is not free to it.
struct StillStartsCase {
    const char* name;
    const char* exe;
    Home home;
    bool firstEnds;                   // before the second starts
    std::vector<std::string> second;  // runs the second start
};

class TillBesideAHeldLock : public ::testing::TestWithParam<StillStartsCase> {};

TEST_P(TillBesideAHeldLock, StillStarts) {
    const StillStartsCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can hold a file as another user or be another machine";
    }
    TestFolder homes;
    std::unique_ptr<NobodyHolds> held;
    const std::string home = ArrangeHome(c.home, homes, c.exe, held);
    ASSERT_TRUE(!held || held->Holds());
    const std::vector<std::string> inHome = {"env", "VELPAY_TEST_HOME=" + home};
    TestFolder dir;
    RunningCopy first(dir, c.exe, inHome);
    ASSERT_EQ(first.WaitExit(std::chrono::milliseconds(1500)), -1)
        << dir.Read(std::string(c.exe) + ".boxes");
    if (c.firstEnds) {
        first.Kill();
    }
    std::vector<std::string> runner = c.second;
    runner.insert(runner.end(), inHome.begin(), inHome.end());
    TestFolder other;
    RunningCopy second(other, c.exe, runner);
    EXPECT_EQ(second.WaitExit(std::chrono::milliseconds(1500)), -1)
        << other.Read(std::string(c.exe) + ".boxes");
}

INSTANTIATE_TEST_SUITE_P(
    Startup, TillBesideAHeldLock,
    ::testing::Values(
        // Tills of a chain whose homes lie on one file server.
        StillStartsCase{
            "AnotherMachineSharingTheHome",
            "TillF1",
            Home::OfItsOwn,
            false,
            {"unshare", "--mount", "--net", "--uts", "--", "sh", "-c",
             "mkdir -p /run/user && mount -t tmpfs tmpfs /run/user && hostname another-till && "
             "echo 0123456789abcdef0123456789abcdef >/run/user/machine-id && "
             "{ [ ! -e /etc/machine-id ] || "
             "mount --bind /run/user/machine-id /etc/machine-id; } && exec \"$@\"",
             "sh"}},
        // The first start kept the file from them; its hold no longer counts as a till.
        StillStartsCase{"AfterOneThatFoundALockFileOnceOpenToAnotherUser",
                        "TillF2",
                        Home::ReadableByAll,
                        true,
                        {}}),
    [](const auto& info) { return std::string(info.param.name); });
