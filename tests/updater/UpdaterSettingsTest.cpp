#include <gtest/gtest.h>

#include "TestFolder.h"
#include "UpdaterGlobal.h"

namespace {

struct ListItemCase {
    const char* name;
    const char* text;
    int index;
    const char* expected;  // the item afterwards; it starts as "(unchanged)"
};

class ListItem : public ::testing::TestWithParam<ListItemCase> {};

TEST_P(ListItem, CutsTheTextAtTheSeparator) {
    const ListItemCase& c = GetParam();
    std::string item = "(unchanged)";
    GetListItem(c.text, c.index, ",", item);
    EXPECT_EQ(item, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ListItem,
    ::testing::Values(
        ListItemCase{"SecondField", "C:\\Shop\\pay.exe,Till 1", 2, "Till 1"},
        ListItemCase{"FirstField", "C:\\Shop\\pay.exe,Till 1", 1, "C:\\Shop\\pay.exe"},
        ListItemCase{"IndexZero", "C:\\Shop\\pay.exe,Till 1", 0, "(unchanged)"},
        ListItemCase{"IndexNegative", "a,b", -1, "(unchanged)"},
        ListItemCase{"IndexPastTheEnd", "C:\\Shop\\pay.exe,Till 1", 3, "(unchanged)"},
        ListItemCase{"EmptyMiddleField", "a,,b", 2, ""},
        ListItemCase{"FieldAfterEmptyOne", "a,,b", 3, "b"},
        ListItemCase{"TrailingSeparatorAddsNoField", "a,b,", 3, "(unchanged)"},
        ListItemCase{"FieldBeforeTrailingSeparator", "a,b,", 2, "b"},
        ListItemCase{"NoSeparatorIsOneField", "/opt/velpay/VelPay", 1, "/opt/velpay/VelPay"},
        ListItemCase{"NoSecondFieldWithoutSeparator", "/opt/velpay/VelPay", 2, "(unchanged)"},
        ListItemCase{"EmptyText", "", 1, "(unchanged)"},
        ListItemCase{"LineBreakAlsoCuts", "a\r\nb,c", 2, "b"},
        ListItemCase{"CaptionWithChinese", "/opt/velpay/VelPay,海川微信支付收银系统1.0.5[VelPay]",
                     2, "海川微信支付收银系统1.0.5[VelPay]"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AutoCase {
    const char* name;
    std::vector<std::string> arguments;
    bool expected;
};

class AutoSwitch : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutoSwitch, CountsOnlyAMarkedAuto) {
    EXPECT_EQ(IsAutoMode(GetParam().arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, AutoSwitch,
    ::testing::Values(AutoCase{"Dash", {"-AUTO"}, true}, AutoCase{"SlashLower", {"/auto"}, true},
                      AutoCase{"BackslashMixed", {"\\Auto"}, true},
                      AutoCase{"AfterOtherArguments", {"x", "y", "/AUTO"}, true},
                      AutoCase{"BeforeOtherArguments", {"-auto", "x"}, true},
                      AutoCase{"NoArguments", {}, false}, AutoCase{"Unmarked", {"AUTO"}, false},
                      AutoCase{"DoubleDash", {"--AUTO"}, false},
                      AutoCase{"LongerWord", {"-AUTOX"}, false},
                      AutoCase{"MarkAlone", {"-"}, false}, AutoCase{"OtherMark", {"+AUTO"}, false},
                      AutoCase{"Empty", {""}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A fresh folder with the updater's settings file, and the records as a new run finds them.
class UpdaterSettings : public ::testing::Test {
protected:
    void SetUp() override {
        UpdateSet = {};
        RunTypeSet = {};
        BackUpSet = {};
        UpdateSetEx = {};
        UpdaterTitle.clear();
    }
    void TearDown() override {
        UpdaterConfigIni.reset();
        VersionIni.reset();
    }
    TestFolder dir;
};

TEST_F(UpdaterSettings, MissingFileGivesTheDefaults) {
    LoadUpdaterConfig(dir.Path());
    EXPECT_EQ(UpdateSet.Ver, "未知版本");
    EXPECT_EQ(UpdateSet.Address, "");
    EXPECT_EQ(RunTypeSet.RunType, 1);
    EXPECT_EQ(RunTypeSet.RunName, "");
    EXPECT_EQ(BackUpSet.BackUpSrc, "");
    EXPECT_EQ(BackUpSet.BackUpDest, "");
    EXPECT_EQ(UpdaterTitle, "Orv智能升级程序");
}

TEST_F(UpdaterSettings, ReadsGbkSectionsAndKeysWithoutRegardToCase) {
    dir.Write("Config.ini",
              Gbk("[升级配置]\r\nver= 1.0.4 \r\nADDRESS=http://127.0.0.1/download/Update.txt\r\n"
                  "[主程序]\r\nruntype=2\r\nRunName=/opt/velpay/VelPay,海川[VelPay]\r\n"
                  "[备份]\r\nbackupsrc=/opt/velpay\r\nBackUpDest=/opt/bak\r\n"
                  "[其它]\r\nTITLE=海川微信支付收银系统智能升级程序\r\n"));
    LoadUpdaterConfig(dir.Path());
    EXPECT_EQ(UpdateSet.Ver, "1.0.4");
    EXPECT_EQ(UpdateSet.Address, "http://127.0.0.1/download/Update.txt");
    EXPECT_EQ(RunTypeSet.RunType, 2);
    EXPECT_EQ(RunTypeSet.RunName, "/opt/velpay/VelPay,海川[VelPay]");
    EXPECT_EQ(BackUpSet.BackUpSrc, "/opt/velpay");
    EXPECT_EQ(BackUpSet.BackUpDest, "/opt/bak");
    EXPECT_EQ(UpdaterTitle, "海川微信支付收银系统智能升级程序");
}

TEST_F(UpdaterSettings, RunTypeThatIsNoIntegerReadsOne) {
    dir.Write("Config.ini", Gbk("[主程序]\r\nRunType=service\r\n"));
    LoadUpdaterConfig(dir.Path());
    EXPECT_EQ(RunTypeSet.RunType, 1);
}

TEST_F(UpdaterSettings, SavingWritesOnlyVerAndKeepsEveryOtherLine) {
    const std::string before =
        Gbk("[升级配置]\r\nVer=1.0.4\r\nAddress=http://a/download/Update.txt\r\n"
            "[主程序]\r\nRunType=x\r\n[其它]\r\nTitle=T\r\n");
    dir.Write("Config.ini", before);
    LoadUpdaterConfig(dir.Path());
    UpdateSet.Ver = "1.0.6";
    SaveUpdaterConfig();
    EXPECT_EQ(UpdaterConfigIni, nullptr);
    std::string expected = before;
    expected.replace(expected.find("1.0.4"), 5, "1.0.6");
    EXPECT_EQ(dir.Read("Config.ini"), expected);
}

TEST_F(UpdaterSettings, SavingWithoutAFileCreatesTheSectionWithTheDefaultVersion) {
    LoadUpdaterConfig(dir.Path());
    SaveUpdaterConfig();
    UpdaterConfigIni = std::make_unique<TIniFile>(dir.File("Config.ini"));
    EXPECT_EQ(UpdaterConfigIni->ReadString("升级配置", "Ver", ""), "未知版本");
}

TEST_F(UpdaterSettings, VersionFileReadsItsSection) {
    dir.Write("verex.ini", Gbk("[升级配置]\r\nVer=1.0.6\r\nAddress=ftp://h/p/VelPay.zip\r\n"
                               "SetupFile=setup.sh\r\n"));
    VersionIni = std::make_unique<TIniFile>(dir.File("verex.ini"));
    LoadUpdateSetEx();
    EXPECT_EQ(UpdateSetEx.Ver, "1.0.6");
    EXPECT_EQ(UpdateSetEx.Address, "ftp://h/p/VelPay.zip");
    EXPECT_EQ(UpdateSetEx.SetupFile, "setup.sh");
}

TEST_F(UpdaterSettings, VersionMissingOnBothSidesReadsTheSameDefault) {
    dir.Write("verex.ini", Gbk("[升级配置]\r\nAddress=x\r\n"));
    VersionIni = std::make_unique<TIniFile>(dir.File("verex.ini"));
    LoadUpdateSetEx();
    LoadUpdaterConfig(dir.Path());
    EXPECT_EQ(UpdateSetEx.Ver, "未知版本");
    EXPECT_EQ(UpdateSetEx.Ver, UpdateSet.Ver);
}

TEST(UpdaterNames, ExeNameHasNoFolderOrExtension) {
    InitUpdaterNames("/opt/update/OrvUpdate");
    EXPECT_EQ(UpdaterExeName, "OrvUpdate");
    InitUpdaterNames("/opt/update/OrvUpdate.exe");
    EXPECT_EQ(UpdaterExeName, "OrvUpdate");
}

}  // namespace
