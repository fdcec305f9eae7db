#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "FakeGateway.h"
#include "XServer.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh program folder holding a copy of VelPay and its hook library, removed afterwards. The
// copy's name is the test's own: one till runs per program name, and other tests run VelPay too.
class TillFolder {
public:
    TillFolder() : name_("VelPay-" + std::to_string(getpid())) {
        std::string pattern = (fs::temp_directory_path() / "velpay-e2e-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        path_ = pattern;
        fs::copy_file(VELPAY_EXE, path_ / name_);
        fs::copy_file(KBWATCH_LIB, path_ / fs::path(KBWATCH_LIB).filename());
    }
    ~TillFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    // The main window's caption as a pattern for xdotool.
    std::string MainCaption() const { return "^海川微信支付收银系统1\\.0\\.5\\[" + name_ + "\\]$"; }

private:
    std::string name_;
    fs::path path_;
};

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd() : x_(XServer::WindowManagerInstalled()) {}

    void TearDown() override { StopProcess(till_); }

    void StartTill() {
        till_ = SpawnProcess({(folder_.Path() / folder_.Name()).string()},
                             {"DISPLAY=" + x_.Display(), "QT_QPA_PLATFORM=xcb",
                              "VELPAY_TEST_MESSAGEBOXES=" + Boxes().string()});
        ASSERT_GT(till_, 0);
    }

    // The X window of the visible window whose caption matches the pattern, waited for up to
    // 20 s; "" when it never comes.
    std::string WaitForWindow(const std::string& pattern) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto found = x_.Run({"xdotool", "search", "--onlyvisible", "--name", pattern});
            if (!found.out.empty()) {
                return found.out.substr(0, found.out.find('\n'));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    std::string MapState(const std::string& window) {
        const std::string info = x_.Run({"xwininfo", "-id", window}).out;
        const size_t at = info.find("Map State: ");
        return at == std::string::npos ? "" : info.substr(at + 11, info.find('\n', at) - at - 11);
    }

    bool WaitForMapState(const std::string& window, const std::string& state) {
        for (int i = 0; i < 100; ++i) {
            if (MapState(window) == state) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void TypeLine(const std::string& text) {
        x_.Run({"xdotool", "type", "--delay", "15", text});
        x_.Run({"xdotool", "key", "Return"});
    }

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
    x_.Run({"xdotool", "type", "--delay", "15", "888888"});
    Screenshot(init, "e2e_store_init");
    x_.Run({"xdotool", "key", "Return"});

    const std::string login = WaitForWindow("^登录$");
    ASSERT_FALSE(login.empty()) << ReadFile(Boxes());
    x_.Run({"xdotool", "windowfocus", "--sync", login});
    TypeLine("1001");
    x_.Run({"xdotool", "type", "--delay", "15", "123456"});
    Screenshot(login, "e2e_sign_in");
    x_.Run({"xdotool", "key", "Return"});

    const std::string main = WaitForWindow(folder_.MainCaption());
    ASSERT_FALSE(main.empty()) << ReadFile(Boxes());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    Screenshot(main, "e2e_main_window");

    EXPECT_EQ(ReadFile(Boxes()), "提示|系统初始化成功！|64\n");
    EXPECT_NE(ReadFile(folder_.Path() / "Config/Config.ini").find("BaseUrl=" + gateway_.BaseUrl()),
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
    x_.Run({"xdotool", "key", "Escape"});
    ASSERT_TRUE(WaitForMapState(main, "IsUnMapped"));

    x_.Run({"xdotool", "key", "Escape"});  // no shared memory: the hook's key does nothing
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(MapState(main), "IsUnMapped");

    const int fd = shm_open("/_ORV_MEM_FILE", O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 4096), 0);
    close(fd);
    x_.Run({"xdotool", "key", "Escape"});
    EXPECT_TRUE(WaitForMapState(main, "IsViewable"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    Screenshot(main, "e2e_main_window_back");
    shm_unlink("/_ORV_MEM_FILE");
}
