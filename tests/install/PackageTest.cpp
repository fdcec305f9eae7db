#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

#include "InstalledLayout.h"
#include "TestFolder.h"

namespace {

const fs::path kRoot = "/opt/velpay";

// The package is built once for the suite.
class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        output_ = std::make_unique<TestFolder>();
        deb_ = BuildPackage(output_->Path(), buildLog_);
    }
    static void TearDownTestSuite() { output_.reset(); }

    void SetUp() override { ASSERT_FALSE(deb_.empty()) << buildLog_; }

    static std::string Field(const std::string& name) {
        auto shown = RunProgram({"dpkg-deb", "--field", deb_.string(), name});
        while (!shown.out.empty() && shown.out.back() == '\n') {
            shown.out.pop_back();
        }
        return shown.out;
    }

    static std::unique_ptr<TestFolder> output_;
    static std::string buildLog_;
    static fs::path deb_;
};

std::unique_ptr<TestFolder> DebianPackage::output_;
std::string DebianPackage::buildLog_;
fs::path DebianPackage::deb_;

// dpkg and apt share one lock; another installer on the machine is waited for, not failed on.
ProgramResult Dpkg(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"sh", "-c", "exec dpkg \"$@\" 2>&1", "dpkg"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramResult result;
    for (int attempt = 0; attempt < 60; ++attempt) {
        result = RunProgram(argv, 120000);
        if (result.status == 0 || result.out.find("lock") == std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    return result;
}

bool PackageInstalled() {
    return RunProgram({"dpkg-query", "--show", "--showformat=${db:Status-Status}", "velpay"}).out ==
           "installed";
}

// Whatever the test installed or left goes, also when an assertion ends the test early.
struct PackageRemoval {
    ~PackageRemoval() {
        Dpkg({"--purge", "velpay"});
        std::error_code ec;
        fs::remove_all(kRoot, ec);
    }
};

}  // namespace

TEST_F(DebianPackage, NamesItselfItsVersionAndTheLibrariesItNeeds) {
    EXPECT_EQ(Field("Package"), "velpay");
    EXPECT_EQ(Field("Version"), "1.0.5");
    EXPECT_EQ(Field("Architecture"), "amd64");
    const std::string description = Field("Description");
    EXPECT_EQ(description.substr(0, description.find('\n')),
              "WeChat Pay till client and its updater");

    // From the programs' own shared-library needs, so each of these stands there.
    const std::string depends = Field("Depends");
    for (const char* library :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
          "libqt6printsupport6", "libcurl4", "libssl3", "libxml2", "libqrencode4",
          "libjpeg62-turbo", "libxcb-xinput0", "libzip4"}) {
        EXPECT_NE((", " + depends + ",").find(", " + std::string(library) + " "), std::string::npos)
            << library << " missing from " << depends;
    }
    EXPECT_EQ(depends.find("KbWatch"), std::string::npos) << "the hook library ships inside";
}

TEST_F(DebianPackage, HoldsTheLayoutUnderOptVelpayAndNoTillData) {
    // "drwxr-xr-x root/root 0 2026-12-09 06:57 ./opt/velpay/Pay/"
    const auto listing = RunProgram({"dpkg-deb", "--contents", deb_.string()});
    ASSERT_EQ(listing.status, 0);
    std::map<std::string, std::string> entries;
    std::istringstream lines(listing.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string mode, owner, size, day, time, path;
        fields >> mode >> owner >> size >> day >> time >> path;
        entries[path] = mode + " " + owner;
    }
    // clang-format off
    const std::map<std::string, std::string> expected = {
        {"./opt/",                                    "drwxr-xr-x root/root"},
        {"./opt/velpay/",                             "drwxr-xr-x root/root"},
        {"./opt/velpay/Pay/",                         "drwxr-xr-x root/root"},
        {"./opt/velpay/Pay/VelPay",                   "-rwxr-xr-x root/root"},
        {"./opt/velpay/Pay/libKbWatch.so",            "-rw-r--r-- root/root"},
        {"./opt/velpay/update/",                      "drwxr-xr-x root/root"},
        {"./opt/velpay/update/Config.ini.template",   "-rw-r--r-- root/root"},
        {"./opt/velpay/update/OrvUpdate",             "-rwxr-xr-x root/root"},
    };
    // clang-format on
    EXPECT_EQ(entries, expected);

    TestFolder unpacked;
    const fs::path layout = UnpackPackage(deb_, unpacked.Path());
    EXPECT_EQ(ReadBytes(layout / "update/Config.ini.template"),
              ExpectedUpdaterSettings(kRoot.string()));
    EXPECT_EQ(LibrarySearchPath(layout / "Pay/VelPay"), "$ORIGIN");
}

TEST_F(DebianPackage, InstalledClientRunsAndRemovalLeavesOnlyTheTillsData) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "installing a package into the machine needs root";
    }
    if (PackageInstalled() || fs::exists(kRoot)) {
        GTEST_SKIP() << "velpay or " << kRoot << " is already on this machine: left alone";
    }
    PackageRemoval removal;
    const auto installed = Dpkg({"--install", deb_.string()});
    ASSERT_EQ(installed.status, 0) << installed.out;
    const fs::path settings = kRoot / "update/Config.ini";
    EXPECT_EQ(ReadBytes(settings), ExpectedUpdaterSettings(kRoot.string()));

    {
        TestFolder boxes;
        TillDesktop desktop(fs::path(boxes.Path()) / "boxes.txt");
        auto client = desktop.Start(kRoot / "Pay/VelPay");
        EXPECT_TRUE(desktop.WaitForWindow("系统初始化")) << desktop.Boxes();
    }

    // The till's data after some use, and the updater's leftovers of a broken-off update.
    const std::map<std::string, std::string> tillData = {
        {"update/Config.ini", ReadBytes(settings) + Gbk("; 本店改过\r\n")},
        {"Pay/Config/Config.ini", Gbk("[系统设置]\r\nBaseUrl=http://gw\r\n")},
        {"Pay/Parameter/Parameter.dat", std::string("\x01\x02\x00\xff enciphered", 15)},
        {"Pay/Log/log20261209.txt", Gbk("2026-12-09 08:00:00\r\n签到\r\n")},
        {"update/Update.log", Gbk("2026-12-09 08:00:00  正在准备更新...\r\n")},
        {"bak/VelPay", "the last version"},
    };
    for (const auto& [name, bytes] : tillData) {
        WriteBytes(kRoot / name, bytes);
    }
    WriteBytes(kRoot / "update/verex.ini", "[升级配置]\r\n");
    WriteBytes(kRoot / "update/temp/Update.zip", "PK");

    // Installed again over it (an upgrade to the same version): the till's settings stay.
    const auto again = Dpkg({"--install", deb_.string()});
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(ReadBytes(settings), tillData.at("update/Config.ini"));

    // clang-format off
    std::map<std::string, std::string> remaining = {
        {"Pay",                          "d755"},
        {"Pay/Config",                   "d755"},
        {"Pay/Config/Config.ini",        "f644"},
        {"Pay/Parameter",                "d755"},
        {"Pay/Parameter/Parameter.dat",  "f644"},
        {"Pay/Log",                      "d755"},
        {"Pay/Log/log20261209.txt",      "f644"},
        {"update",                       "d755"},
        {"update/Config.ini",            "f644"},
        {"update/Update.log",            "f644"},
        {"bak",                          "d755"},
        {"bak/VelPay",                   "f644"},
    };
    // clang-format on
    // Whatever the client logged on its run today is the till's too.
    for (const auto& entry : fs::directory_iterator(kRoot / "Pay/Log")) {
        remaining.emplace("Pay/Log/" + entry.path().filename().string(), "f644");
    }
    for (const char* how : {"--remove", "--purge"}) {
        const auto removed = Dpkg({how, "velpay"});
        ASSERT_EQ(removed.status, 0) << removed.out;
        EXPECT_FALSE(PackageInstalled()) << how;
        EXPECT_EQ(Tree(kRoot), remaining) << how;
        for (const auto& [name, bytes] : tillData) {
            EXPECT_EQ(ReadBytes(kRoot / name), bytes) << how << " " << name;
        }
    }
}
