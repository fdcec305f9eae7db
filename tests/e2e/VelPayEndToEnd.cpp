#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ChildProcess.h"
#include "FakeGateway.h"
#include "FakeGatewayPaths.h"
#include "FileBytes.h"
#include "QzIniFile.h"
#include "TemporaryFolder.h"
#include "TextCodec.h"
#include "XServer.h"

namespace fs = std::filesystem;

namespace {

// A fresh program folder holding a copy of VelPay and its hook library, inside a folder of its
// own that also takes the updater's folder beside it; all removed afterwards. The copy's name is
// the test's own: one till runs per program name, and other tests run VelPay too.
class TillFolder {
public:
    TillFolder() : name_("VelPay-" + std::to_string(getpid())) {
        // As the program sees itself: /proc/self/exe has every link resolved.
        root_ = fs::canonical(MakeTemporaryFolder("velpay-e2e-"));
        path_ = root_ / "pay";
        fs::create_directory(path_);
        fs::copy_file(VELPAY_EXE, path_ / name_);
        fs::copy_file(KBWATCH_LIB, path_ / fs::path(KBWATCH_LIB).filename());
    }
    ~TillFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& Path() const { return path_; }
    // The folder that holds the program folder, the updater's folder and the backup.
    const fs::path& Root() const { return root_; }
    const std::string& Name() const { return name_; }
    // The main window's caption as a pattern for xdotool.
    std::string MainCaption() const { return "^海川微信支付收银系统1\\.0\\.5\\[" + name_ + "\\]$"; }

private:
    std::string name_;
    fs::path root_;
    fs::path path_;
};

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd() : x_(XServer::WindowManagerInstalled()) {}

    void TearDown() override { StopProcess(till_); }

    // With recordBoxes, every message box is noted in Boxes() and answered with its first
    // button; without, the boxes show for the test to answer.
    void StartTill(bool recordBoxes = true) {
        std::vector<std::string> env{"DISPLAY=" + x_.Display(), "QT_QPA_PLATFORM=xcb"};
        if (recordBoxes) {
            env.push_back("VELPAY_TEST_MESSAGEBOXES=" + Boxes().string());
        }
        till_ = SpawnProcess({(folder_.Path() / folder_.Name()).string()}, env);
        ASSERT_GT(till_, 0);
    }

    // The till's exit code once it has ended by itself, waited for up to the given seconds; -1
    // while it runs.
    int WaitForExit(int seconds = 20) {
        int status = 0;
        if (!WaitUntil([&] { return waitpid(till_, &status, WNOHANG) == till_; }, seconds * 1000)) {
            return -1;
        }
        till_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }

    // The X window of the visible window whose caption matches the pattern, waited for up to
    // 20 s; "" when it never comes.
    std::string WaitForWindow(const std::string& pattern) { return x_.WaitForWindow(pattern); }

    std::string MapState(const std::string& window) {
        const std::string info = x_.Run({"xwininfo", "-id", window}).out;
        const size_t at = info.find("Map State: ");
        return at == std::string::npos ? "" : info.substr(at + 11, info.find('\n', at) - at - 11);
    }

    bool WaitForMapState(const std::string& window, const std::string& state) {
        return WaitUntil([&] { return MapState(window) == state; }, 5000);
    }

    void TypeLine(const std::string& text) { x_.TypeLine(text); }

    void Screenshot(const std::string& window, const std::string& name) {
        fs::create_directories(ARTIFACTS_DIR);
        const std::string file = std::string(ARTIFACTS_DIR) + "/" + name + ".png";
        EXPECT_EQ(x_.Run({"import", "-window", window, file}).status, 0);
        EXPECT_TRUE(fs::exists(file)) << file;
    }

    fs::path Boxes() const { return folder_.Path() / "boxes.txt"; }

    XServer x_;
    FakeGateway gateway_;
    TillFolder folder_;
    pid_t till_ = -1;
};

}  // namespace

TEST_F(EndToEnd, FreshTillIsInitialisedSignedInAndShowsItsMainWindow) {
    // No parameter file, so no request paths: everything goes to the address itself.
    gateway_.Config(R"({"base_path": "infer"})");
    StartTill();

    const std::string init = WaitForWindow("^系统初始化$");
    ASSERT_FALSE(init.empty()) << "the store initialisation did not open";
    x_.Run({"xdotool", "windowfocus", "--sync", init});
    TypeLine(gateway_.BaseUrl());
    TypeLine("S0001");
    x_.Type("888888");
    Screenshot(init, "e2e_store_init");
    x_.Key("Return");

    const std::string login = WaitForWindow("^登录$");
    ASSERT_FALSE(login.empty()) << ReadBytes(Boxes());
    x_.Run({"xdotool", "windowfocus", "--sync", login});
    TypeLine("1001");
    x_.Run({"xdotool", "type", "--delay", "15", "123456"});
    Screenshot(login, "e2e_sign_in");
    x_.Key("Return");

    const std::string main = WaitForWindow(folder_.MainCaption());
    ASSERT_FALSE(main.empty()) << ReadBytes(Boxes());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    Screenshot(main, "e2e_main_window");

    EXPECT_EQ(ReadBytes(Boxes()), "提示|系统初始化成功！|64\n");
    EXPECT_NE(ReadBytes(folder_.Path() / "Config/Config.ini").find("BaseUrl=" + gateway_.BaseUrl()),
              std::string::npos);
    EXPECT_TRUE(fs::exists(folder_.Path() / "Parameter/Parameter.dat"));
    const auto logins = gateway_.Requests("syyLogin");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].decrypted.at("syy_pwd"), "123456");
}

TEST_F(EndToEnd, HiddenTillComesBackOnTheHookKeyWhileTheSharedMemoryExists) {
    if (!XServer::WindowManagerInstalled()) {
        GTEST_SKIP() << "hiding needs a window manager";
    }
    const int existing = shm_open("/_ORV_MEM_FILE", O_RDONLY, 0);
    if (existing >= 0) {
        close(existing);
        GTEST_SKIP() << "_ORV_MEM_FILE exists on this machine";
    }
    gateway_.Config(R"({"base_path": "infer"})");
    StartTill();
    const std::string init = WaitForWindow("^系统初始化$");
    ASSERT_FALSE(init.empty());
    x_.Run({"xdotool", "windowfocus", "--sync", init});
    TypeLine(gateway_.BaseUrl());
    TypeLine("S0001");
    TypeLine("888888");
    const std::string login = WaitForWindow("^登录$");
    ASSERT_FALSE(login.empty());
    x_.Run({"xdotool", "windowfocus", "--sync", login});
    TypeLine("1001");
    TypeLine("123456");
    const std::string main = WaitForWindow(folder_.MainCaption());
    ASSERT_FALSE(main.empty());

    // No tray on this desktop: the hide key minimises, and the window manager takes it away.
    x_.Run({"xdotool", "windowfocus", "--sync", main});
    x_.Key("Escape");
    ASSERT_TRUE(WaitForMapState(main, "IsUnMapped"));

    x_.Key("Escape");  // no shared memory: the hook's key does nothing
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(MapState(main), "IsUnMapped");

    const int fd = shm_open("/_ORV_MEM_FILE", O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 4096), 0);
    close(fd);
    x_.Key("Escape");
    EXPECT_TRUE(WaitForMapState(main, "IsViewable"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    Screenshot(main, "e2e_main_window_back");
    shm_unlink("/_ORV_MEM_FILE");
}

namespace {

// The updater's settings as the updater ships them.
const char* const kShippedUpdaterConfig =
    "[升级配置]\r\nVer=1.0.4\r\nAddress=http://old.example.com/download/Update.txt\r\n"
    "[主程序]\r\nRunType=1\r\nRunName=\r\n[备份]\r\nBackUpSrc=\r\nBackUpDest=\r\n"
    "[其它]\r\nTitle=Orv智能升级程序\r\n";

// A till set up for the fake gateway's store, with a stand-in updater in ../update/ that notes in
// ran.txt beside itself its arguments and the folder it was started in.
class HandOver : public EndToEnd {
protected:
    void SetUp() override {
        fs::create_directories(folder_.Path() / "Config");
        TIniFile config((folder_.Path() / "Config/Config.ini").string());
        config.WriteString("系统设置", "BaseUrl", gateway_.BaseUrl());
        SaveFakeGatewayStore(folder_.Path().string() + "/");

        fs::create_directories(Updater());
        std::ofstream(Updater() / "Config.ini", std::ios::binary)
            << platform::Utf8ToGbk(kShippedUpdaterConfig);
        std::ofstream(Updater() / "OrvUpdate")
            << "#!/bin/sh\n"
               "{ echo \"arguments: $#\"; for a in \"$@\"; do echo \"$a\"; done;\n"
               "  echo \"folder: $(pwd)\"; } > \"$(dirname \"$0\")/ran.new\"\n"
               "mv \"$(dirname \"$0\")/ran.new\" \"$(dirname \"$0\")/ran.txt\"\n";
        fs::permissions(Updater() / "OrvUpdate",
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    }

    // The server's version file offers this version.
    void Offer(const std::string& version) {
        gateway_.Config(R"({"update_txt": "[升级配置]\r\nVer=)" + version +
                        R"(\r\nAddress=${BASE_URL}/download/VelPay.zip\r\nSetupFile=setup\r\n"})");
    }

    fs::path Updater() const { return folder_.Root() / "update"; }
    fs::path UpdaterRecord() const { return Updater() / "ran.txt"; }
    bool WaitForUpdater() {
        return WaitUntil([&] { return fs::exists(UpdaterRecord()); }, 10000);
    }
    // What the stand-in notes when it is started as the client starts it.
    static std::string StartedWithNothing() {
        return "arguments: 0\nfolder: " + fs::current_path().string() + "\n";
    }
    std::string Question() const {
        return "海川微信支付收银系统1.0.5[" + folder_.Name() +
               "]升级提示|检测到新版本信息，是否现在更新程序？|68\n";
    }
    // The shipped file with the seven lines the client writes, in code page 936.
    std::string HandedOver() const {
        const std::string pay = folder_.Path().string();
        return platform::Utf8ToGbk(
            "[升级配置]\r\nver=1.0.5\r\naddress=" + gateway_.BaseUrl() +
            "/download/Update.txt\r\n[主程序]\r\nRunType=1\r\nRunName=" + pay + "/" +
            folder_.Name() + ",海川微信支付收银系统1.0.5[" + folder_.Name() +
            "]\r\n[备份]\r\nBackUpSrc=" + pay + "\r\nBackUpDest=" + folder_.Root().string() +
            "/bak\r\n[其它]\r\nTitle=海川微信支付收银系统智能升级程序\r\n");
    }
    void SignIn() {
        const std::string login = WaitForWindow("^登录$");
        ASSERT_FALSE(login.empty()) << ReadBytes(Boxes());
        x_.Run({"xdotool", "windowfocus", "--sync", login});
        TypeLine("1001");
        TypeLine("123456");
    }
};

struct Offered {
    const char* name;
    const char* version;
    bool asks;
};

class HandOverOffer : public HandOver, public ::testing::WithParamInterface<Offered> {};

// The question comes only for a version that sorts after this one as text.
TEST_P(HandOverOffer, AsksOnlyForAVersionThatSortsAfterThisOne) {
    Offer(GetParam().version);
    StartTill();
    if (GetParam().asks) {
        EXPECT_EQ(WaitForExit(), 0);
        EXPECT_EQ(ReadBytes(Boxes()), Question());
        EXPECT_TRUE(WaitForUpdater());
    } else {
        EXPECT_FALSE(WaitForWindow("^登录$").empty()) << "the start goes on to the sign-in";
        EXPECT_EQ(ReadBytes(Boxes()), "");
        EXPECT_FALSE(fs::exists(UpdaterRecord()));
    }
    EXPECT_EQ(gateway_.Requests("version").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Versions, HandOverOffer,
                         ::testing::Values(Offered{"Ten", "1.0.10", false},
                                           Offered{"Same", "1.0.5", false},
                                           Offered{"Six", "1.0.6", true},
                                           Offered{"Minor", "1.1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandOver, YesWritesTheSettingsStartsTheUpdaterBareAndEndsWithoutAWindow) {
    Offer("1.0.6");
    StartTill();
    // With the store set up, a main window would sit in the sign-in waiting for a cashier: a
    // till that ends by itself never made one.
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_EQ(ReadBytes(Boxes()), Question());
    ASSERT_TRUE(WaitForUpdater());
    EXPECT_EQ(ReadBytes(UpdaterRecord()), StartedWithNothing());
    EXPECT_EQ(ReadBytes(Updater() / "Config.ini"), HandedOver());
    EXPECT_FALSE(fs::exists(folder_.Root() / "bak")) << "the backup is the updater's";
}

TEST_F(HandOver, NoGoesOnToTheSignInAndTheNextStartAsksAgain) {
    Offer("1.0.6");
    const std::string question =
        "^海川微信支付收银系统1\\.0\\.5\\[" + folder_.Name() + "\\]升级提示$";
    for (int start = 0; start < 2; ++start) {
        StartTill(false);
        const std::string box = WaitForWindow(question);
        ASSERT_FALSE(box.empty()) << "start " << start << " did not ask";
        if (start == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
            Screenshot(box, "e2e_update_question");
        }
        x_.Run({"xdotool", "windowfocus", "--sync", box});
        x_.Key("Escape");  // the box's No
        EXPECT_FALSE(WaitForWindow("^登录$").empty()) << "start " << start;
        StopProcess(till_);
    }
    EXPECT_FALSE(fs::exists(UpdaterRecord()));
    EXPECT_EQ(ReadBytes(Updater() / "Config.ini"), platform::Utf8ToGbk(kShippedUpdaterConfig));
}

TEST_F(HandOver, AMissingUpdaterFolderEndsTheStartWithTheErrorAndExitCodeOne) {
    fs::remove_all(Updater());
    Offer("1.0.6");
    StartTill();
    EXPECT_EQ(WaitForExit(), 1);
    EXPECT_EQ(ReadBytes(Boxes()), Question() + "海川微信支付收银系统|Cannot open file \"" +
                                      Updater().string() +
                                      "/Config.ini\". No such file or directory|16\n");
    EXPECT_FALSE(fs::exists(Updater())) << "nothing is written";
}

TEST_F(HandOver, UpOnTheMainWindowHandsOverAndTheWindowStaysWithNoEndedUpdaterLeft) {
    Offer("1.0.5");
    StartTill();
    SignIn();
    const std::string main = WaitForWindow(folder_.MainCaption());
    ASSERT_FALSE(main.empty()) << ReadBytes(Boxes());

    // Without the settings file the error reaches the error box and the window goes on.
    fs::rename(Updater() / "Config.ini", Updater() / "Config.ini.away");
    x_.Run({"xdotool", "windowfocus", "--sync", main});
    x_.Key("Up");
    const std::string error = "海川微信支付收银系统|Cannot open file \"" + Updater().string() +
                              "/Config.ini\". No such file or directory|16\n";
    WaitUntil([&] { return ReadBytes(Boxes()) == error; }, 5000);
    EXPECT_EQ(ReadBytes(Boxes()), error);
    EXPECT_FALSE(fs::exists(UpdaterRecord()));
    EXPECT_EQ(MapState(main), "IsViewable");

    fs::rename(Updater() / "Config.ini.away", Updater() / "Config.ini");
    x_.Run({"xdotool", "windowfocus", "--sync", main});
    x_.Key("Up");
    ASSERT_TRUE(WaitForUpdater());
    EXPECT_EQ(ReadBytes(UpdaterRecord()), StartedWithNothing());
    EXPECT_EQ(ReadBytes(Updater() / "Config.ini"), HandedOver());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(MapState(main), "IsViewable");
    // The stand-in has ended: nothing of it waits to be collected by the client.
    const std::string till = std::to_string(till_);
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadBytes("/proc/" + till + "/task/" + till + "/children").empty(); }, 5000));
    EXPECT_EQ(WaitForExit(1), -1) << "the client keeps running";
}

}  // namespace
