#include <gtest/gtest.h>

#include "InstalledLayout.h"
#include "TestFolder.h"
#include "TextCodec.h"

namespace {

class InstallLayout : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = fs::path(dir_.Path()) / "till";
        Install();
    }

    // Under the strictest umask, which must not shut the till's user out.
    void Install() {
        const auto result = RunProgram(
            {"sh", "-c", "umask 077 && exec \"$0\" --install \"$1\" --prefix \"$2\" 2>&1",
             CMAKE_COMMAND, BUILD_DIR, prefix_.string()},
            120000);
        ASSERT_EQ(result.status, 0) << result.out;
    }

    fs::path Pay(const std::string& name) const { return prefix_ / "Pay" / name; }
    fs::path Update(const std::string& name) const { return prefix_ / "update" / name; }

    TestFolder dir_;
    fs::path prefix_;
};

}  // namespace

TEST_F(InstallLayout, EveryFileLandsUnderThePrefixWithItsMode) {
    // clang-format off
    const std::map<std::string, std::string> expected = {
        {"Pay",                        "d755"},
        {"Pay/VelPay",                 "f755"},
        {"Pay/libKbWatch.so",          "f644"},
        {"update",                     "d755"},
        {"update/Config.ini",          "f644"},
        {"update/Config.ini.template", "f644"},
        {"update/OrvUpdate",           "f755"},
    };
    // clang-format on
    EXPECT_EQ(Tree(prefix_), expected);
}

TEST_F(InstallLayout, UpdaterSettingsHoldEveryKeyWithHarmlessDefaults) {
    const std::string expected = ExpectedUpdaterSettings(prefix_.string());
    EXPECT_EQ(platform::GbkToUtf8(ReadBytes(Update("Config.ini"))), platform::GbkToUtf8(expected));
    EXPECT_EQ(ReadBytes(Update("Config.ini")), expected);
    EXPECT_EQ(ReadBytes(Update("Config.ini.template")), expected);
}

TEST_F(InstallLayout, ProgramsLookForLibrariesInTheirOwnFolderOnly) {
    EXPECT_EQ(LibrarySearchPath(Pay("VelPay")), "$ORIGIN");
    EXPECT_EQ(LibrarySearchPath(Pay("libKbWatch.so")), "");
    EXPECT_EQ(LibrarySearchPath(Update("OrvUpdate")), "");

    const auto hidden = WithoutBuildFolder({"ldd", Pay("VelPay").string()});
    if (hidden.empty()) {
        GTEST_SKIP() << "no private mount on this machine: the build folder cannot be hidden";
    }
    const auto ldd = RunProgram(hidden);
    ASSERT_EQ(ldd.status, 0) << ldd.out;
    EXPECT_NE(ldd.out.find("libKbWatch.so => " + Pay("libKbWatch.so").string()), std::string::npos)
        << ldd.out;
    EXPECT_EQ(ldd.out.find(BUILD_DIR), std::string::npos) << ldd.out;
}

TEST_F(InstallLayout, InstalledClientStartsWithoutTheBuildFolderAndRunsOnce) {
    if (WithoutBuildFolder({"true"}).empty()) {
        GTEST_SKIP() << "no private mount on this machine: the build folder cannot be hidden";
    }
    TillDesktop desktop(fs::path(dir_.Path()) / "boxes.txt");
    auto first = desktop.Start(Pay("VelPay"));
    // A till with no parameter file opens the store initialisation first.
    ASSERT_TRUE(desktop.WaitForWindow("系统初始化")) << desktop.Boxes();
    EXPECT_TRUE(fs::is_directory(Pay("Config")));
    EXPECT_TRUE(fs::is_directory(Pay("Parameter")));

    const auto second = desktop.Run(Pay("VelPay"));
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(desktop.Boxes(), "|已运行!|16\n");
    EXPECT_TRUE(first->Running());
}

TEST_F(InstallLayout, InstalledUpdaterStartsWithoutTheBuildFolderRunsOnceAndHarmsNothing) {
    if (WithoutBuildFolder({"true"}).empty()) {
        GTEST_SKIP() << "no private mount on this machine: the build folder cannot be hidden";
    }
    const auto layoutBefore = Tree(prefix_);
    TillDesktop desktop(fs::path(dir_.Path()) / "boxes.txt");
    auto first = desktop.Start(Update("OrvUpdate"));
    ASSERT_TRUE(desktop.WaitForWindow("海川微信支付收银系统智能升级程序")) << desktop.Boxes();

    EXPECT_EQ(desktop.Run(Update("OrvUpdate"), {"/AUTO"}).status, 1);
    EXPECT_EQ(desktop.Boxes(), "");
    EXPECT_EQ(desktop.Run(Update("OrvUpdate")).status, 1);
    EXPECT_EQ(desktop.Boxes(), "|升级程序正在运行!|16\n");

    // The shipped settings name no version file: the check fails and the update ends there.
    ASSERT_TRUE(WaitUntil([&] { return !first->Running(); }, 60000));
    const std::string log = platform::GbkToUtf8(ReadBytes(Update("Update.log")));
    EXPECT_NE(log.find("版本检测出现异常:"), std::string::npos) << log;
    EXPECT_NE(platform::GbkToUtf8(ReadBytes(Update("Config.ini"))).find("Ver=1.0.5"),
              std::string::npos);
    auto layoutAfter = Tree(prefix_);
    layoutAfter.erase("update/Update.log");
    // The install's lock stays, open to root alone.
    EXPECT_EQ(layoutAfter["update/Update.lock"], "f600");
    layoutAfter.erase("update/Update.lock");
    EXPECT_EQ(layoutAfter, layoutBefore);
}

TEST_F(InstallLayout, SecondInstallKeepsTheTillsFilesByteForByte) {
    // What a till holds after weeks of use: settings the client and the updater wrote, the
    // merchant's parameters, a day's log, none of it the install's to touch.
    const std::map<std::string, std::string> tillFiles = {
        {"update/Config.ini", ReadBytes(Update("Config.ini")) + Gbk("; 本店改过\r\n")},
        {"Pay/Config/Config.ini", Gbk("[系统设置]\r\nBaseUrl=http://gw\r\n")},
        {"Pay/Parameter/Parameter.dat", std::string("\x01\x02\x00\xff enciphered", 15)},
        {"Pay/Log/log20261209.txt", Gbk("2026-12-09 08:00:00\r\n签到\r\n")},
        {"update/Update.log", Gbk("2026-12-09 08:00:00  正在准备更新...\r\n")},
    };
    for (const auto& [name, bytes] : tillFiles) {
        WriteBytes(prefix_ / name, bytes);
    }
    Install();
    for (const auto& [name, bytes] : tillFiles) {
        EXPECT_EQ(ReadBytes(prefix_ / name), bytes) << name;
    }
    EXPECT_EQ(ReadBytes(Update("Config.ini.template")), ExpectedUpdaterSettings(prefix_.string()));
}
