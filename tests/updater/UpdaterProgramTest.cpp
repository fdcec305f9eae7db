#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FileBytes.h"
#include "NobodyHolds.h"
#include "TestFolder.h"
#include "TransferServer.h"
#include "UpdateLogLines.h"

namespace {

// A copy of the real OrvUpdate in a folder of its own, under a name no other test uses (the
// single-instance lock goes by the name), on the offscreen platform with its message boxes
// noted in a file instead of shown, and what it writes to standard output and error in "output".
// Started directly, or through a runner (a command that runs the rest of its arguments).
class UpdaterCopy {
public:
    UpdaterCopy(const TestFolder& dir, const std::string& name,
                const std::vector<std::string>& arguments = {},
                const std::vector<std::string>& runner = {}) {
        const std::string path = dir.File(name);
        std::filesystem::copy_file(ORVUPDATE_EXE, path,
                                   std::filesystem::copy_options::overwrite_existing);
        std::vector<std::string> argv = runner;
        argv.push_back(path);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ChildProcess::Options options;
        options.env = {"QT_QPA_PLATFORM=offscreen",
                       "VELPAY_TEST_MESSAGEBOXES=" + dir.File("boxes")};
        options.outputFile = dir.File("output");
        process_ = std::make_unique<ChildProcess>(argv, options);
    }
    // The exit code, or -1 while it still runs after the wait.
    int WaitExit(std::chrono::milliseconds limit) {
        return process_->WaitExit(static_cast<int>(limit.count()));
    }

private:
    std::unique_ptr<ChildProcess> process_;
};

std::string UniqueName() {
    static int n = 0;
    return "OrvUpdate_t" + std::to_string(getpid()) + "_" + std::to_string(++n);
}

const std::string kConfig =
    Gbk("[升级配置]\r\nVer=1.0.4\r\nAddress=\r\n[主程序]\r\nRunType=1\r\nRunName=\r\n"
        "[备份]\r\nBackUpSrc=\r\nBackUpDest=\r\n[其它]\r\nTitle=升级测试\r\n");

TEST(UpdaterProgram, FailedCheckStillWritesTheVersionBackAndEndsWithZero) {
    TestFolder dir;
    dir.Write("Config.ini", kConfig);
    UpdaterCopy updater(dir, UniqueName(), {"/auto"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0);
    auto lines = UpdateLogTexts(dir.Read("Update.log"));
    ASSERT_EQ(lines.size(), 4u) << dir.Read("Update.log");
    EXPECT_EQ(lines[0], "正在准备更新...");
    EXPECT_EQ(lines[1].rfind("版本检测出现异常:", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "开始删除临时文件...");
    EXPECT_EQ(lines[3], "临时文件删除完毕!");
    EXPECT_EQ(dir.Read("Config.ini"), kConfig);
    EXPECT_EQ(dir.Read("boxes"), "");
}

TEST(UpdaterProgram, MissingSettingsFileIsCreatedWithTheDefaultVersion) {
    TestFolder dir;
    UpdaterCopy updater(dir, UniqueName(), {"-AUTO"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0);
    EXPECT_EQ(platform::GbkToUtf8(dir.Read("Config.ini")), "[升级配置]\r\nVer=未知版本\r\n");
}

TEST(UpdaterProgram, StartedWithAnOpenMaskMakesNothingOthersCanWrite) {
    TestFolder dir;
    UpdaterCopy updater(dir, UniqueName(), {"-AUTO"},
                        {"sh", "-c", "umask 000 && exec \"$@\"", "sh"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0);
    for (const char* made : {"Config.ini", "Update.log"}) {
        struct stat st {};
        ASSERT_EQ(::stat(dir.File(made).c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 0022, 0u) << made;
    }
}

TEST(UpdaterProgram, SecondInstanceEndsWithOneBeforeTouchingAnyFile) {
    const std::string name = UniqueName();
    TestFolder first;
    first.Write("Config.ini", kConfig);
    UpdaterCopy running(first, name, {"/AUTO"});
    ASSERT_EQ(running.WaitExit(std::chrono::milliseconds(1500)), -1) << "the first keeps running";

    for (bool automatic : {true, false}) {
        TestFolder second;
        UpdaterCopy again(
            second, name,
            automatic ? std::vector<std::string>{"\\Auto"} : std::vector<std::string>{});
        EXPECT_EQ(again.WaitExit(std::chrono::seconds(20)), 1);
        EXPECT_FALSE(std::filesystem::exists(second.File("Config.ini")));
        EXPECT_FALSE(std::filesystem::exists(second.File("Update.log")));
        // Only a person is told; an automatic run ends silently.
        EXPECT_EQ(second.Read("boxes"), automatic ? "" : "|升级程序正在运行!|16\n");
    }
    EXPECT_EQ(running.WaitExit(std::chrono::seconds(60)), 0);
}

// Runs the rest of its arguments as the user and group "nobody", as a till's cashier is no root.
const std::vector<std::string> kAsNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                            "--clear-groups", "--"};

// A settings file the updater cannot write its version back to.
struct UnwritableSettingsCase {
    const char* name;
    bool isAFolder;  // otherwise a file with these permission bits
    mode_t mode;
    bool asNobody;
    bool automatic;
};

class UnwritableSettings : public ::testing::TestWithParam<UnwritableSettingsCase> {};

TEST_P(UnwritableSettings, EndsWithTheReasonAndExitCodeOne) {
    const UnwritableSettingsCase& c = GetParam();
    if (c.asNobody && ::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the updater as another user";
    }
    TestFolder dir;
    if (c.asNobody) {
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    }
    const std::string settings = dir.File("Config.ini");
    if (c.isAFolder) {
        std::filesystem::create_directory(settings);
    } else {
        dir.Write("Config.ini", kConfig);
        std::filesystem::permissions(settings, static_cast<std::filesystem::perms>(c.mode));
    }
    UpdaterCopy updater(
        dir, UniqueName(),
        c.automatic ? std::vector<std::string>{"-AUTO"} : std::vector<std::string>{},
        c.asNobody ? kAsNobody : std::vector<std::string>{});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 1) << "an exit code, not an abort";

    const std::string reason = "Unable to write to " + settings;
    EXPECT_NE(dir.Read("output").find(reason + "\n"), std::string::npos) << dir.Read("output");
    EXPECT_EQ(dir.Read("boxes"), c.automatic ? "" : "Orv智能升级程序|" + reason + "|16\n");
    EXPECT_EQ(UpdateLogTexts(dir.Read("Update.log")).size(), 4u) << "the failed check, logged";
    if (!c.isAFolder) {
        EXPECT_EQ(dir.Read("Config.ini"), kConfig);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, UnwritableSettings,
    ::testing::Values(UnwritableSettingsCase{"AFolderOfThatName", true, 0, false, false},
                      UnwritableSettingsCase{"ReadOnlyForTheUser", false, 0444, true, true},
                      UnwritableSettingsCase{"UnreadableForTheUser", false, 0, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdaterProgram, StartRemovesWhatAKilledRunLeftOfItsWorkFilesAndNothingElse) {
    TestFolder dir;
    dir.Write("Config.ini", kConfig);
    const std::map<std::string, bool> removed = {{".verex.ini.fresh~k1ll3d", true},
                                                 {".Update.log.fresh~Ab9xYz", true},
                                                 {".verex.ini.backup", false},
                                                 {".Config.ini.fresh~k1ll3d", false},
                                                 {".Update.log.fresh~linked", false}};
    for (const auto& [name, _] : removed) {
        dir.Write(name, "x");
    }
    // A link of that name is not the updater's either.
    std::filesystem::remove(dir.File(".Update.log.fresh~linked"));
    std::filesystem::create_symlink("Config.ini", dir.File(".Update.log.fresh~linked"));
    UpdaterCopy updater(dir, UniqueName(), {"/auto"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0);
    for (const auto& [name, gone] : removed) {
        EXPECT_EQ(std::filesystem::exists(dir.File(name)), !gone) << name;
    }
}

// A version server that answers nobody: a port of 127.0.0.1 whose queue holds any connection.
struct SilentServer {
    SilentServer() {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        EXPECT_EQ(::bind(fd, any, size) | ::listen(fd, 8) | ::getsockname(fd, any, &size), 0);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/Update.txt";
    }
    ~SilentServer() { ::close(fd); }

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    std::string url;
};

// The updater run as root, from shop/update/, for the client shop/Pay/ (started as
// shop/Pay/VelPay) backed up into shop/bak/, where another user could change its settings, what a
// write to them lands in, or what it copies, replaces or starts.
struct OthersCanChangeCase {
    const char* name;
    const char* anotherUsers;  // what is given to user "nobody"; nullptr: nothing
    mode_t settingsMode;
    bool settingsLinkedIntoAnOpenFolder;  // Config.ini a link to shared/Config.ini, shared 0777
    bool automatic;
    const char* changeable;  // what the reason names
    const char* why;
    const char* backUpSrc = "shop/Pay";
    const char* backUpDest = "shop/bak";
    void (*arrange)(const TestFolder&) = nullptr;  // more of the layout
};

class RootWhereOthersCanChange : public ::testing::TestWithParam<OthersCanChangeCase> {};

TEST_P(RootWhereOthersCanChange, RefusesWithExitCodeOneBeforeFetchingOrWritingAnything) {
    const OthersCanChangeCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the updater refuses only as root";
    }
    TestFolder dir;
    SilentServer server;
    const std::string config =
        Gbk("[升级配置]\r\nVer=1.0.4\r\nAddress=" + server.url +
            "\r\n[主程序]\r\nRunType=1\r\nRunName=" + dir.File("shop/Pay/VelPay") +
            ",Till\r\n[备份]\r\nBackUpSrc=" + dir.File(c.backUpSrc) +
            "\r\nBackUpDest=" + dir.File(c.backUpDest) + "\r\n");
    const std::string folder = dir.File("shop/update/");
    std::filesystem::create_directories(folder);
    WriteBytes(dir.File("shop/Pay/VelPay"), "#!/bin/sh\n");
    std::string settings = folder + "Config.ini";
    if (c.settingsLinkedIntoAnOpenFolder) {
        std::filesystem::create_directory(folder + "shared");
        std::filesystem::permissions(folder + "shared", std::filesystem::perms::all);
        std::filesystem::create_symlink("shared/Config.ini", settings);
        settings = folder + "shared/Config.ini";
    }
    WriteBytes(settings, config);
    std::filesystem::permissions(settings, static_cast<std::filesystem::perms>(c.settingsMode));
    if (c.arrange) {
        c.arrange(dir);
    }
    if (c.anotherUsers) {
        ASSERT_EQ(::lchown(dir.File(c.anotherUsers).c_str(), 65534, 65534), 0);
    }

    UpdaterCopy updater(
        dir, "shop/update/" + UniqueName(),
        c.automatic ? std::vector<std::string>{"-AUTO"} : std::vector<std::string>{});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 1);

    const std::string reason =
        "The updater runs as root only where nobody else can change its files: " +
        dir.File(c.changeable) + c.why;
    EXPECT_NE(dir.Read("output").find(reason + "\n"), std::string::npos) << dir.Read("output");
    EXPECT_EQ(dir.Read("boxes"), c.automatic ? "" : "Orv智能升级程序|" + reason + "|16\n");
    EXPECT_LT(::accept(server.fd, nullptr, nullptr), 0) << "the version server was asked";
    EXPECT_FALSE(std::filesystem::exists(folder + "Update.log"));
    EXPECT_FALSE(std::filesystem::exists(folder + "verex.ini"));
    EXPECT_EQ(ReadBytes(settings), config);
}

// Links in root's client folder that lead back into it, or to nothing in a folder only root may
// write, leave nobody else anything to change: root's updater goes on to its update.
TEST(UpdaterProgram, RootWorksOnAClientFolderWhoseLinksLeadBackOrNowhere) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the updater judges links only as root";
    }
    TestFolder dir;
    std::filesystem::create_directories(dir.File("shop/update"));
    WriteBytes(dir.File("shop/Pay/VelPay"), "#!/bin/sh\n");
    std::filesystem::create_symlink(".", dir.File("shop/Pay/again"));
    std::filesystem::create_symlink("../../shop", dir.File("shop/Pay/up"));
    std::filesystem::create_symlink("gone", dir.File("shop/Pay/dangling"));
    const std::string config =
        Gbk("[升级配置]\r\nVer=1.0.4\r\nAddress=\r\n[主程序]\r\nRunType=1\r\nRunName=" +
            dir.File("shop/Pay/VelPay") + ",Till\r\n[备份]\r\nBackUpSrc=" + dir.File("shop/Pay") +
            "\r\nBackUpDest=" + dir.File("shop/bak") + "\r\n");
    dir.Write("shop/update/Config.ini", config);
    UpdaterCopy updater(dir, "shop/update/" + UniqueName(), {"-AUTO"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0) << dir.Read("output");
    EXPECT_EQ(UpdateLogTexts(dir.Read("shop/update/Update.log")).size(), 4u) << "the failed check";
}

// The cashiers of a shop that share one install: cashier 1 owns it with their group.
const std::vector<std::string> kCashier1 = {"setpriv", "--reuid=65532", "--regid=65532",
                                            "--groups=65531", "--"};
const std::vector<std::string> kCashier2 = {"setpriv", "--reuid=65533", "--regid=65533",
                                            "--groups=65531", "--"};

// A runner that runs the rest of its arguments through another runner.
std::vector<std::string> Then(std::vector<std::string> first,
                              const std::vector<std::string>& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// Who starts two updaters of one install under two names (so that only the install's lock can
// stop the second), in a folder as the shop sets it up for them.
struct SecondUpdaterCase {
    const char* name;
    std::vector<std::string> first;  // runs the first updater
    std::vector<std::string> second;
    bool groupShared;  // cashier 1's folder, which their group may write; otherwise anybody's
};

class SecondUpdaterOnTheSameInstall : public ::testing::TestWithParam<SecondUpdaterCase> {};

TEST_P(SecondUpdaterOnTheSameInstall, EndsWithOneBeforeTouchingAnyFile) {
    const SecondUpdaterCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the updater as another user";
    }
    TestFolder dir;
    SilentServer server;
    const std::string config = Gbk("[升级配置]\r\nVer=1.0.4\r\nAddress=" + server.url + "\r\n");
    dir.Write("Config.ini", config);
    if (c.groupShared) {
        for (const std::string& path : {dir.Path(), dir.File("Config.ini")}) {
            ASSERT_EQ(::chown(path.c_str(), 65532, 65531), 0);
        }
        ::chmod(dir.Path().c_str(), 02775);
        ::chmod(dir.File("Config.ini").c_str(), 0664);
    } else {
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    }
    const std::string name = UniqueName();
    UpdaterCopy working(dir, name, {"-AUTO"}, c.first);
    int fetching = -1;
    ASSERT_TRUE(
        WaitUntil([&] { return (fetching = ::accept(server.fd, nullptr, nullptr)) >= 0; }, 20000))
        << "the first updater asks for the version file";
    UpdaterCopy again(dir, name + "_again", {}, c.second);
    EXPECT_EQ(again.WaitExit(std::chrono::seconds(20)), 1);
    EXPECT_EQ(dir.Read("boxes"), "|升级程序正在运行!|16\n") << dir.Read("output");
    EXPECT_EQ(dir.Read("Config.ini"), config);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Update.log")));
    ::close(fetching);
}

INSTANTIATE_TEST_SUITE_P(
    Locks, SecondUpdaterOnTheSameInstall,
    ::testing::Values(
        SecondUpdaterCase{"RootAfterAnotherUser", kAsNobody, {}, false},
        // The second opens the lock file the first made.
        SecondUpdaterCase{"TheOtherCashierOfTheShopsGroup", kCashier1, kCashier2, true},
        // Where the kernel's table of locks cannot show the first, only a cashier
        // could hold it.
        SecondUpdaterCase{"TheOtherCashierInAPidNamespaceOfItsOwn", kCashier1,
                          Then({"unshare", "--pid", "--fork", "--mount-proc", "--"}, kCashier2),
                          true}),
    [](const auto& info) { return std::string(info.param.name); });

// Version 1.0.6 offered by an HTTP server of the test's own, in a package of these files with
// these modes; the package's setup program is setup.sh.
struct PackedFile {
    std::string name;
    std::string bytes;
    mode_t mode;
};

class OfferedUpdate {
public:
    explicit OfferedUpdate(const std::vector<PackedFile>& files) {
        std::vector<std::string> pack = {
            "sh", "-c", "cd \"$0\" && bsdtar --format zip -cf p.zip \"$@\"", served_.Path()};
        for (const PackedFile& file : files) {
            served_.Write(file.name, file.bytes);
            std::filesystem::permissions(served_.File(file.name),
                                         static_cast<std::filesystem::perms>(file.mode));
            pack.push_back(file.name);
        }
        EXPECT_EQ(RunProgram(pack).status, 0) << "the package is made";
        served_.Write("Update.txt", Gbk("[升级配置]\r\nVer=1.0.6\r\nAddress=" + Files() +
                                        "p.zip\r\nSetupFile=setup.sh\r\n"));
    }

    // The updater's settings for version 1.0.5 of the client shop/Pay/VelPay (its window's
    // caption "Till"), backed up into shop/bak; shop ends with "/".
    std::string SettingsFor(const std::string& shop) const {
        return Gbk("[升级配置]\r\nVer=1.0.5\r\nAddress=" + Files() +
                   "Update.txt\r\n[主程序]\r\nRunType=1\r\nRunName=" + shop +
                   "Pay/VelPay,Till\r\n[备份]\r\nBackUpSrc=" + shop + "Pay\r\nBackUpDest=" + shop +
                   "bak\r\n");
    }

private:
    std::string Files() const { return "http://127.0.0.1:" + http_.Port() + "/files/"; }

    TestFolder served_;
    TransferServer http_{{"http", served_.Path()}};
};

// As root, in a folder anybody may add names to, with a blank in the install's path: the client's
// unquoted command line names a shorter program once somebody makes "shop" there, after root's
// check (here the package's setup program does, as user nobody could).
TEST(UpdaterProgram, RootStartsTheProgramItCheckedThoughAShorterPathAppearsMeanwhile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root checks the program it starts";
    }
    TestFolder dir;
    const std::string open = dir.File("open");
    std::filesystem::create_directory(open);
    std::filesystem::permissions(open, static_cast<std::filesystem::perms>(01777));
    const std::string shop = open + "/shop x/";
    WriteBytes(shop + "Pay/VelPay", "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
    std::filesystem::permissions(shop + "Pay/VelPay", static_cast<std::filesystem::perms>(0755));
    std::filesystem::create_directories(shop + "update");

    const OfferedUpdate offered({{"setup.sh",
                                  "#!/bin/sh\nprintf '#!/bin/sh\\ntouch \"$0.ran\"\\n' > '" + open +
                                      "/shop'\nchmod 755 '" + open + "/shop'\n",
                                  0755}});
    WriteBytes(shop + "update/Config.ini", offered.SettingsFor(shop));

    UpdaterCopy updater(dir, "open/shop x/update/" + UniqueName(), {"-AUTO"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(120)), 0) << dir.Read("output");
    EXPECT_TRUE(std::filesystem::exists(open + "/shop")) << "the setup program ran";
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(shop + "Pay/started"); }, 10000))
        << ReadBytes(shop + "update/Update.log");
    EXPECT_FALSE(std::filesystem::exists(open + "/shop.ran"));
}

// The mask a shop's login gives the updater, and who runs it: cashier 1, who owns the install
// (with the shop's group when it is shared), or root.
struct MaskCase {
    const char* name;
    const char* startedWith;
    std::vector<std::string> runner;
    bool groupShared;  // the shop's group's too: folders group-writable, set-group-ID
    const char* kept;  // the mask it works under, as `umask` shows it
};

class StartedWithAMask : public ::testing::TestWithParam<MaskCase> {};

// A whole update of shop/: the setup program notes its mask, keeps a copy of the unpacked package
// (cp -a) before the updater deletes it and puts a file of the package into Pay/; the client,
// started again, notes its mask and writes its log, as the real one does.
TEST_P(StartedWithAMask, MakesNothingTheMaskForbidsAndPassesItOnToWhatItStarts) {
    const MaskCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the updater as another user, and as root";
    }
    TestFolder dir;
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(0755));
    const std::string shop = dir.File("shop/");
    WriteBytes(shop + "Pay/VelPay",
               "#!/bin/sh\nhere=$(dirname \"$0\")\nmkdir \"$here/Log\"\n"
               "echo request > \"$here/Log/log.txt\"\numask > \"$here/client-mask\"\n");
    std::filesystem::permissions(shop + "Pay/VelPay", static_cast<std::filesystem::perms>(0755));
    const OfferedUpdate offered({{"setup.sh",
                                  "#!/bin/sh\nhere=$(dirname \"$0\")\npay='" + shop +
                                      "Pay'\numask > \"$pay/setup-mask\"\ncp -a \"$here\" '" +
                                      shop + "unpacked'\ncp \"$here/doc/readme.txt\" \"$pay\"\n",
                                  0777},
                                 {"doc/readme.txt", "1.0.6\n", 0666}});
    WriteBytes(shop + "update/Config.ini", offered.SettingsFor(shop));
    const std::string name = UniqueName();
    std::set<std::string> before = {"", "update/" + name};
    std::vector<std::filesystem::path> install = {shop};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shop)) {
        before.insert(entry.path().lexically_relative(shop).string());
        install.push_back(entry.path());
    }
    // Cashier 1's install, as the shop sets it up; root's otherwise.
    for (const auto& path : install) {
        if (!c.runner.empty()) {
            ASSERT_EQ(::lchown(path.c_str(), 65532, c.groupShared ? 65531 : 65532), 0);
        }
        if (c.groupShared && std::filesystem::is_directory(path)) {
            ::chmod(path.c_str(), 02775);
        }
    }

    std::vector<std::string> runner = c.runner;
    runner.insert(runner.end(),
                  {"sh", "-c", std::string("umask ") + c.startedWith + " && exec \"$@\"", "sh"});
    UpdaterCopy updater(dir, "shop/update/" + name, {"-AUTO"}, runner);
    ASSERT_EQ(updater.WaitExit(std::chrono::seconds(120)), 0) << dir.Read("output");
    ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(shop + "Pay/client-mask").empty(); }, 10000))
        << ReadBytes(shop + "update/Update.log");

    EXPECT_EQ(ReadBytes(shop + "Pay/setup-mask"), c.kept + std::string("\n"));
    EXPECT_EQ(ReadBytes(shop + "Pay/client-mask"), c.kept + std::string("\n"));
    // Everything the updater, the setup program and the client made.
    const auto forbidden = static_cast<std::filesystem::perms>(std::stoul(c.kept, nullptr, 8));
    std::set<std::string> made;
    std::string tooOpen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shop)) {
        const std::string path = entry.path().lexically_relative(shop).string();
        if (before.count(path)) {
            continue;
        }
        made.insert(path);
        if ((entry.symlink_status().permissions() & forbidden) != std::filesystem::perms::none) {
            tooOpen += path + " ";
        }
    }
    EXPECT_EQ(tooOpen, "");
    for (const char* expected :
         {"update/Update.log", "unpacked/setup.sh", "unpacked/doc/readme.txt", "bak/Pay/VelPay",
          "Pay/readme.txt", "Pay/Log/log.txt"}) {
        EXPECT_TRUE(made.count(expected)) << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Masks, StartedWithAMask,
    ::testing::Values(MaskCase{"PrivateMaskAsACashier", "077", kCashier1, false, "0077"},
                      // The other cashier of the group may write what is made, others never.
                      MaskCase{"OpenMaskAsACashierOfAGroup", "000", kCashier1, true, "0002"},
                      // Root's files are never the group's to change.
                      MaskCase{"GroupMaskAsRoot", "007", {}, false, "0027"}),
    [](const auto& info) { return std::string(info.param.name); });

// A till two cashiers share through their group, as the shop sets it up (folders group-writable
// and set-group-ID, mask 002): cashier 1 updates it, then cashier 2, and the client each of them
// starts writes to the one day's log.
TEST(UpdaterProgram, GroupSharedInstallUpdatedByOneCashierThenTheOther) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the updater as the shop's cashiers";
    }
    TestFolder dir;
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(0755));
    const std::string shop = dir.File("shop/");
    WriteBytes(shop + "Pay/VelPay",
               "#!/bin/sh\nhere=$(dirname \"$0\")\nmkdir -p \"$here/Log\"\n"
               "id -u >> \"$here/Log/log.txt\"\n");
    const OfferedUpdate offered({{"setup.sh", "#!/bin/sh\n", 0755}});
    const std::string settings = shop + "update/Config.ini";
    WriteBytes(settings, "");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shop)) {
        ASSERT_EQ(::chown(entry.path().c_str(), 65532, 65531), 0);
        ::chmod(entry.path().c_str(), entry.is_directory() ? 02775 : 0775);
    }
    ASSERT_EQ(::chown(shop.c_str(), 65532, 65531), 0);
    ::chmod(shop.c_str(), 02775);

    const std::string name = UniqueName();
    std::string cashiers;
    for (const auto& cashier : {kCashier1, kCashier2}) {
        WriteBytes(settings, offered.SettingsFor(shop));  // as the client hands over
        std::vector<std::string> runner = cashier;
        runner.insert(runner.end(), {"sh", "-c", "umask 002 && exec \"$@\"", "sh"});
        UpdaterCopy updater(dir, "shop/update/" + name, {"-AUTO"}, runner);
        ASSERT_EQ(updater.WaitExit(std::chrono::seconds(120)), 0) << dir.Read("output");
        EXPECT_EQ(UpdateLogTexts(ReadBytes(shop + "update/Update.log")).back(), "更新成功!");
        cashiers += cashier[1].substr(std::string("--reuid=").size()) + "\n";
        EXPECT_TRUE(
            WaitUntil([&] { return ReadBytes(shop + "Pay/Log/log.txt") == cashiers; }, 10000))
            << "the client started by each cashier logs";
    }
}

// What user "nobody" holds while root's automatic updater starts on root's own install.
struct AnotherUsersHoldCase {
    const char* name;
    std::unique_ptr<NobodyHolds> (*hold)(const TestFolder& dir, const std::string& updater);
};

class AnotherUsersHold : public ::testing::TestWithParam<AnotherUsersHoldCase> {};

TEST_P(AnotherUsersHold, KeepsNoUpdateFromRunning) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can hold something as another user";
    }
    TestFolder dir;
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(0755));
    dir.Write("Config.ini", kConfig);
    const std::string name = UniqueName();
    const auto held = GetParam().hold(dir, name);
    ASSERT_TRUE(held->Holds());
    UpdaterCopy updater(dir, name, {"-AUTO"});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 0) << dir.Read("output");
    EXPECT_EQ(UpdateLogTexts(dir.Read("Update.log")).size(), 4u) << "the failed check, logged";
}

INSTANTIATE_TEST_SUITE_P(
    Locks, AnotherUsersHold,
    ::testing::Values(
        AnotherUsersHoldCase{"FlockOnTheFolderAndOnTheFilesItCanOpen",
                             [](const TestFolder& dir, const std::string&) {
                                 return std::make_unique<NobodyHolds>(
                                     "import fcntl\n"
                                     "for path in sys.argv[1:]:\n"
                                     "    fcntl.flock(os.open(path, os.O_RDONLY), fcntl.LOCK_EX)\n",
                                     std::vector<std::string>{dir.Path(), dir.File("Config.ini")});
                             }},
        // Their hold on the file counts for nothing: a new one takes its place.
        AnotherUsersHoldCase{"TheLockFileOnceOpenToThem",
                             [](const TestFolder& dir, const std::string&) {
                                 return HoldOnceOpenLockFile(dir.File("Update.lock"));
                             }},
        AnotherUsersHoldCase{"TheUpdatersNameWithAFullQueue",
                             [](const TestFolder&, const std::string& updater) {
                                 return SquatInstanceName(updater,
                                                          NameSquat::ListeningWithAFullQueue);
                             }}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr const char* kCannotLock = "The updater cannot lock its install: ";
constexpr const char* kRootRefuses =
    "The updater runs as root only where nobody else can change its files: ";

// What stands at the name of the install's lock file, which keeps the lock from being had.
struct UnusableLockCase {
    const char* name;
    std::unique_ptr<NobodyHolds> (*arrange)(const std::string& lockFile);
    bool automatic;
    const char* said;  // after the lock file's name
    const char* refusal = kCannotLock;
    bool inAPidNamespaceOfItsOwn = false;  // where other processes' holds go unseen
};

class UnusableLock : public ::testing::TestWithParam<UnusableLockCase> {};

TEST_P(UnusableLock, EndsWithTheReasonBeforeTouchingAnyFile) {
    const UnusableLockCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    TestFolder dir;
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(0755));
    dir.Write("Config.ini", kConfig);
    const std::string lockFile = dir.File("Update.lock");
    const auto held = c.arrange(lockFile);
    ASSERT_TRUE(!held || held->Holds());
    UpdaterCopy updater(
        dir, UniqueName(),
        c.automatic ? std::vector<std::string>{"-AUTO"} : std::vector<std::string>{},
        c.inAPidNamespaceOfItsOwn
            ? std::vector<std::string>{"unshare", "--pid", "--fork", "--mount-proc", "--"}
            : std::vector<std::string>{});
    EXPECT_EQ(updater.WaitExit(std::chrono::seconds(60)), 1);

    const std::string reason = c.refusal + lockFile + c.said;
    EXPECT_NE(dir.Read("output").find(reason + "\n"), std::string::npos) << dir.Read("output");
    EXPECT_EQ(dir.Read("boxes"), c.automatic ? "" : "Orv智能升级程序|" + reason + "|16\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("Update.log")));
    EXPECT_EQ(dir.Read("Config.ini"), kConfig);
}

INSTANTIATE_TEST_SUITE_P(
    Locks, UnusableLock,
    ::testing::Values(UnusableLockCase{"AFolder",
                                       [](const std::string& lockFile) {
                                           std::filesystem::create_directory(lockFile);
                                           return std::unique_ptr<NobodyHolds>();
                                       },
                                       false, " cannot be opened: Is a directory"},
                      UnusableLockCase{"ALink",
                                       [](const std::string& lockFile) {
                                           std::filesystem::create_symlink("elsewhere", lockFile);
                                           return std::unique_ptr<NobodyHolds>();
                                       },
                                       true,
                                       " cannot be opened: Too many levels of symbolic links"},
                      // Whoever holds it, an updater there or not, cannot be told.
                      UnusableLockCase{"HeldByAProcessItCannotSee", HoldOnceOpenLockFile, true,
                                       " is held by a process that cannot be seen from here",
                                       kCannotLock, true},
                      UnusableLockCase{"AFileOfAnotherUser",
                                       [](const std::string& lockFile) {
                                           WriteBytes(lockFile, "");
                                           ::chmod(lockFile.c_str(), 0600);
                                           EXPECT_EQ(::lchown(lockFile.c_str(), 65534, 65534), 0);
                                           return std::unique_ptr<NobodyHolds>();
                                       },
                                       false, " belongs to user 65534", kRootRefuses}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr const char* kAnotherUsers = " belongs to user 65534";
constexpr const char* kWritable = " can be written by its group or by others";

INSTANTIATE_TEST_SUITE_P(
    Folders, RootWhereOthersCanChange,
    ::testing::Values(
        OthersCanChangeCase{"FolderOfAnotherUser", "shop/update", 0644, false, false, "shop/update",
                            kAnotherUsers},
        // Its owner could move the updater's folder away and put one of its own in its place.
        OthersCanChangeCase{"FolderAboveOfAnotherUser", "shop", 0644, false, false, "shop",
                            kAnotherUsers},
        OthersCanChangeCase{"GroupWritableSettings", nullptr, 0664, false, true,
                            "shop/update/Config.ini", kWritable},
        OthersCanChangeCase{"SettingsLinkedIntoAnOpenFolder", nullptr, 0644, true, false,
                            "shop/update/shared", kWritable},
        // What root copies, replaces and starts for the client.
        OthersCanChangeCase{"ClientFolderOfAnotherUser", "shop/Pay", 0644, false, true, "shop/Pay",
                            kAnotherUsers},
        // Its owner could put a link in place of a file while root copies it.
        OthersCanChangeCase{"ClientFolderHoldsAFolderOfAnotherUser", "shop/Pay/Log", 0644, false,
                            false, "shop/Pay/Log", kAnotherUsers, "shop/Pay", "shop/bak",
                            [](const TestFolder& dir) {
                                std::filesystem::create_directories(dir.File("shop/Pay/Log"));
                            }},
        OthersCanChangeCase{"ProgramOfAnotherUser", "shop/Pay/VelPay", 0644, false, false,
                            "shop/Pay/VelPay", kAnotherUsers},
        // A library the client loads, which its owner could replace by one of their own.
        OthersCanChangeCase{
            "ClientFolderHoldsAFileOfAnotherUser", "shop/Pay/libKbWatch.so", 0644, false, true,
            "shop/Pay/libKbWatch.so", kAnotherUsers, "shop/Pay", "shop/bak",
            [](const TestFolder& dir) { dir.Write("shop/Pay/libKbWatch.so", "so"); }},
        OthersCanChangeCase{"ClientFolderHoldsAFileAnybodyCanWrite", nullptr, 0644, false, false,
                            "shop/Pay/sub/data", kWritable, "shop/Pay", "shop/bak",
                            [](const TestFolder& dir) {
                                dir.Write("shop/Pay/sub/data", "d");
                                std::filesystem::permissions(
                                    dir.File("shop/Pay/sub/data"),
                                    static_cast<std::filesystem::perms>(0666));
                            }},
        OthersCanChangeCase{"PreviousBackupHoldsAFolderOfAnotherUser", "shop/bak/Pay/Log", 0644,
                            false, false, "shop/bak/Pay/Log", kAnotherUsers, "shop/Pay", "shop/bak",
                            [](const TestFolder& dir) {
                                std::filesystem::create_directories(dir.File("shop/bak/Pay/Log"));
                            }},
        OthersCanChangeCase{"BackupFolderToBeMadeInAnOpenFolder", nullptr, 0644, false, false,
                            "open", kWritable, "shop/Pay", "open/bak",
                            [](const TestFolder& dir) {
                                std::filesystem::create_directory(dir.File("open"));
                                std::filesystem::permissions(dir.File("open"),
                                                             std::filesystem::perms::all);
                            }},
        // Root would make newbak, then climb out of it into another user's folder, where bak is
        // their link to a folder only root may enter.
        OthersCanChangeCase{
            "BackupFolderClimbingOutOfAFolderToBeMade", "theirs", 0644, false, false, "theirs",
            kAnotherUsers, "shop/Pay", "shop/newbak/../../theirs/bak",
            [](const TestFolder& dir) {
                std::filesystem::create_directories(dir.File("vault"));
                std::filesystem::permissions(dir.File("vault"), std::filesystem::perms::owner_all);
                std::filesystem::create_directory(dir.File("theirs"));
                std::filesystem::create_symlink("../vault", dir.File("theirs/bak"));
            }},
        // The link chain ends in root's own folder, but passes through another user's.
        OthersCanChangeCase{
            "ClientFolderLinkedThroughAnotherUsersFolder", "theirs", 0644, false, false, "theirs",
            kAnotherUsers, "shop/current", "shop/bak",
            [](const TestFolder& dir) {
                std::filesystem::create_directory(dir.File("theirs"));
                std::filesystem::create_symlink("../shop/Pay", dir.File("theirs/current"));
                std::filesystem::create_symlink("../theirs/current", dir.File("shop/current"));
            }},
        // What root's client runs through a link in its folder is what the link leads to, and a
        // folder it leads to holds what the client loads.
        OthersCanChangeCase{
            "ClientFolderLinksToAFileOfAnotherUser", "shop/lib/helper.sh", 0644, false, false,
            "shop/lib/helper.sh", kAnotherUsers, "shop/Pay", "shop/bak",
            [](const TestFolder& dir) {
                dir.Write("shop/lib/helper.sh", "#!/bin/sh\n");
                std::filesystem::create_symlink("../lib/helper.sh", dir.File("shop/Pay/helper.sh"));
            }},
        OthersCanChangeCase{"ClientFolderLinksToAFolderHoldingAFileOfAnotherUser",
                            "shop/lib/libKbWatch.so", 0644, false, true,
                            "shop/Pay/lib/libKbWatch.so", kAnotherUsers, "shop/Pay", "shop/bak",
                            [](const TestFolder& dir) {
                                dir.Write("shop/lib/libKbWatch.so", "so");
                                std::filesystem::create_symlink("../lib", dir.File("shop/Pay/lib"));
                            }},
        // A path ending in "." or ".." names the folder it leads to, which must be root's alone.
        OthersCanChangeCase{"BackupFolderEndingInDotIsOpen", nullptr, 0644, false, false,
                            "shop/bak", kWritable, "shop/Pay", "shop/bak/.",
                            [](const TestFolder& dir) {
                                std::filesystem::create_directory(dir.File("shop/bak"));
                                std::filesystem::permissions(dir.File("shop/bak"),
                                                             std::filesystem::perms::all);
                            }},
        OthersCanChangeCase{"BackupFolderEndingInDotDotLandsInAnOpenFolder", nullptr, 0644, false,
                            false, "open", kWritable, "shop/Pay", "open/roots/..",
                            [](const TestFolder& dir) {
                                std::filesystem::create_directories(dir.File("open/roots"));
                                std::filesystem::permissions(
                                    dir.File("open"), static_cast<std::filesystem::perms>(01777));
                            }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
