#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "QzErrors.h"
#include "QzIniFile.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"
#include "Unprivileged.h"

namespace {

// Opens ConfigIni on Config/Config.ini of a fresh folder for one test.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("Config/.keep", "");
        ConfigIni = std::make_unique<TIniFile>(dir.File("Config/Config.ini"));
    }
    void TearDown() override { ConfigIni.reset(); }
    void WriteConfig(const std::string& utf8) { dir.Write("Config/Config.ini", Gbk(utf8)); }
    void LoadAll() {
        LoadSystemSet();
        LoadPrintSet();
        LoadShortCutSet();
        LoadGetMyValueSet();
    }
    TestFolder dir;
};

}  // namespace

TEST(IntegerText, FollowsTheConfigurationRules) {
    int v = 0;
    EXPECT_TRUE(TryStrToInt("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(TryStrToInt("-7", v));
    EXPECT_EQ(v, -7);
    EXPECT_TRUE(TryStrToInt("$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt("0x2", v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(TryStrToInt("0XfF", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(TryStrToInt("$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad :
         {"", "two", "1.5", "12 ", " ", "$", "0x", "2147483648", "$100000000", "+-1"}) {
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    }
}

TEST_F(Settings, MissingFileGivesEveryDefault) {
    SystemSet = {};
    AppPath = "/opt/velpay/";
    LoadAll();
    AppPath = dir.Path();
    EXPECT_EQ(SystemSet.LogLevel, 0);
    EXPECT_EQ(SystemSet.BaseUrl, "");
    EXPECT_EQ(SystemSet.UpdatePath, "/opt/update/");
    EXPECT_EQ(PrintSet.PrinterType, 0);
    EXPECT_EQ(PrintSet.PrinterPort, "LPT1");
    EXPECT_EQ(PrintSet.PrinterName, "");
    EXPECT_EQ(PrintSet.FontName, "宋体");
    EXPECT_EQ(PrintSet.FontSize, 9);
    EXPECT_EQ(PrintSet.FontCharset, 134);
    EXPECT_EQ(ShortCutSet.ShortCutHideOrShow, "ESC");
    EXPECT_EQ(ShortCutSet.ShortCutExit, "0");
    EXPECT_EQ(ShortCutSet.ShortCutCancel, "ESC");
    EXPECT_FALSE(GetMyValueSet.IsUse);
    EXPECT_EQ(GetMyValueSet.Title, "");
    EXPECT_EQ(GetMyValueSet.Order, 0);
    EXPECT_EQ(GetMyValueSet.ClassName, "");
}

TEST_F(Settings, ValueFormsLoad) {
    WriteConfig(
        "[系统设置]\r\nLogLevel=$1\r\nBaseUrl= http://127.0.0.1:8080 \r\n"
        "[打印设置]\r\nPrinterType=0x2\r\nFontSize=$C\r\nFontCharset=two\r\n"
        "[快捷键设置]\r\nShortCutExit=CTRL+F5\r\n"
        "[获取外部金额]\r\nIsUse=True\r\nTitle=收银机\r\nOrder=3\r\nClassName=text\r\n");
    LoadAll();
    EXPECT_EQ(SystemSet.LogLevel, 1);
    EXPECT_EQ(SystemSet.BaseUrl, "http://127.0.0.1:8080");
    EXPECT_EQ(PrintSet.PrinterType, 2);
    EXPECT_EQ(PrintSet.FontSize, 12);
    EXPECT_EQ(PrintSet.FontCharset, 134);
    EXPECT_EQ(ShortCutSet.ShortCutExit, "CTRL+F5");
    EXPECT_FALSE(GetMyValueSet.IsUse);  // the word True is not an integer
    EXPECT_EQ(GetMyValueSet.Title, "收银机");
    EXPECT_EQ(GetMyValueSet.Order, 3);
    for (const char* yes : {"1", "-1", "$10"}) {
        WriteConfig(std::string("[获取外部金额]\r\nIsUse=") + yes + "\r\n");
        LoadGetMyValueSet();
        EXPECT_TRUE(GetMyValueSet.IsUse) << yes;
    }
}

TEST_F(Settings, SavePrintSetRewritesOnlyItsSection) {
    WriteConfig(
        "[系统设置]\r\nBaseUrl=http://gw\r\n[打印设置]\r\nStray=1\r\nFontSize=$A\r\n"
        "[快捷键设置]\r\nShortCutExit=F9\r\n");
    LoadAll();
    PrintSet.PrinterType = 1;
    SavePrintSet();
    EXPECT_EQ(dir.Read("Config/Config.ini"),
              Gbk("[系统设置]\r\nBaseUrl=http://gw\r\n[快捷键设置]\r\nShortCutExit=F9\r\n"
                  "[打印设置]\r\nPrinterType=1\r\nPrinterPort=LPT1\r\nPrinterName=\r\n"
                  "FontName=宋体\r\nFontSize=10\r\nFontCharset=134\r\n"));
    ShortCutSet.ShortCutCancel = "F12";
    SaveShortCutSet();
    LoadShortCutSet();
    EXPECT_EQ(ShortCutSet.ShortCutCancel, "F12");
    EXPECT_EQ(ShortCutSet.ShortCutHideOrShow, "ESC");
}

TEST_F(Settings, RefusedWriteNamesTheFile) {
    ConfigIni = std::make_unique<TIniFile>(dir.File("NoSuchFolder/Config.ini"));
    try {
        SavePrintSet();
        FAIL() << "the save must raise";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + dir.File("NoSuchFolder/Config.ini"));
    }
    EXPECT_THROW(SaveShortCutSet(), EIniFileException);
}

// A configuration file the cashier's account may not write, in a folder it may: the save is
// refused with the file's name and the file keeps what it held.
TEST_F(Settings, AReadOnlyFileIsNotReplaced) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can run the save as another user";
    }
    const std::string file = dir.File("Config/Config.ini");
    WriteConfig("[打印设置]\r\nPrinterType=2\r\n");
    chmod(dir.Path().c_str(), 0755);
    chmod(dir.File("Config").c_str(), 0777);
    chmod(file.c_str(), 0444);
    std::optional<bool> raised = AsNobody([&] {
        try {
            SavePrintSet();
        } catch (const EIniFileException& e) {
            return std::string(e.what()) == "Unable to write to " + file;
        }
        return false;
    });
    EXPECT_EQ(raised, std::optional<bool>(true));
    EXPECT_EQ(dir.Read("Config/Config.ini"), Gbk("[打印设置]\r\nPrinterType=2\r\n"));
}

TEST(UpdatePath, IsTheUpdateFolderBesideTheProgramFolder) {
    EXPECT_EQ(ComputeUpdatePath("/opt/velpay/"), "/opt/update/");
    EXPECT_EQ(ComputeUpdatePath("/opt/velpay"), "/opt/update/");
    EXPECT_EQ(ComputeUpdatePath("/velpay/"), "/update/");
    EXPECT_EQ(ComputeUpdatePath("/"), "/update/");  // the root is its own parent
}
