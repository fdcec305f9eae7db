// The main window's two settings, through the real VelPay on a private X server: key 8 changes
// the cashier's password and the hot keys, key 7 chooses where receipts go.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "ChildProcess.h"
#include "PrivateCups.h"
#include "TextCodec.h"
#include "TillEndToEnd.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kMore = "^更多$";
constexpr const char* kPrinters = "^打印机设置$";

class SettingsEndToEnd : public TillEndToEnd {
protected:
    // Waits until the till has shown this box ("caption|text|flags").
    bool WaitForBox(const std::string& line) {
        return WaitFor(20, [&] { return Boxes().find(line + "\n") != std::string::npos; });
    }
    bool Shown(const std::string& pattern) {
        return !x_.Run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out.empty();
    }
    std::string Config() const { return platform::GbkToUtf8(ReadBytes(till_.Config())); }
};

TEST_F(SettingsEndToEnd, KeyEightChangesThePasswordTheCashierSignsInWithAfterSigningOut) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string more = OpenFromMain(main, "8", "更多");
    ASSERT_FALSE(more.empty());
    TypeLine("123456");
    TypeLine("654321");
    Type("654321");
    Screenshot(more, "e2e_more_password");
    Key("Return");
    ASSERT_TRUE(WaitForBox("提示|修改密码成功！|64")) << Boxes();
    const auto changes = gateway_.Requests("syyUpdPwd");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].problems.empty()) << changes[0].problems.front();
    EXPECT_EQ(changes[0].decrypted.at("syy_pwd"), "123456");
    EXPECT_EQ(changes[0].decrypted.at("syy_newpwd"), "654321");

    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow(kMore));
    Focus(main);
    Key("0");  // sign out
    ASSERT_FALSE(SignIn("654321").empty());
    const auto signIns = gateway_.Requests("syyLogin");
    ASSERT_EQ(signIns.size(), 2u);
    EXPECT_EQ(signIns[1].decrypted.at("syy_pwd"), "654321");
    EXPECT_EQ(ReplyField(signIns[1].reply_body, "result"), "0");
}

TEST_F(SettingsEndToEnd, NewHotKeysWorkAtOnceAndAreStillThereAfterARestart) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string more = OpenFromMain(main, "8", "更多");
    ASSERT_FALSE(more.empty());
    Key("Right");  // the hot-key page
    Key("F4");
    Key("Down");
    Key("ctrl+q");
    Key("Down");
    Key("F12");
    Screenshot(more, "e2e_more_hot_keys");
    Key("Return");
    ASSERT_TRUE(WaitForBox("提示|设置快捷键成功！|64")) << Boxes();
    Key("Escape");  // no longer the cancel key
    Key("F12");
    ASSERT_TRUE(WaitForNoWindow(kMore)) << "the new cancel key closes the dialog";
    Screenshot(main, "e2e_main_new_hot_keys");

    Focus(main);
    Key("0");  // the old sign-out key does nothing now
    EXPECT_FALSE(WaitFor(2, [&] { return Shown("^登录$"); }));
    Key("ctrl+q");
    ASSERT_FALSE(SignIn("123456").empty()) << "the new sign-out key signs out at once";

    const std::string config = Config();
    EXPECT_NE(config.find("[快捷键设置]\r\nShortCutHideOrShow=F4\r\nShortCutExit=CTRL+Q\r\n"
                          "ShortCutCancel=F12\r\n"),
              std::string::npos)
        << config;
    StopTill();
    const std::string again = StartSignedIn();
    ASSERT_FALSE(again.empty());
    Focus(again);
    Key("ctrl+q");
    EXPECT_FALSE(SignIn("123456").empty()) << "the hot keys were read back at the start";
}

// A print server of the test's own, with one printer, so the list shows what a till shows.
class PrinterChoiceEndToEnd : public SettingsEndToEnd {
protected:
    void SetUp() override {
        const std::string missing = PrivateCups::MissingTool();
        if (!missing.empty()) {
            GTEST_SKIP() << missing << " is not installed (scripts/setup.sh installs it)";
        }
        std::string pattern = (fs::temp_directory_path() / "velpay-cups-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        cupsFolder_ = pattern + "/";
        cups_ = std::make_unique<PrivateCups>(cupsFolder_);
        cups_->AddQueue("Counter", cupsFolder_ + "counter.pdf");
        till_.Configure("打印设置", "PrinterType", "0");
    }
    ~PrinterChoiceEndToEnd() override {
        StopTill();
        cups_.reset();
        std::error_code ec;
        fs::remove_all(cupsFolder_, ec);
    }
    // Takes a micro pay of 12.34 from the main window, which prints its receipt.
    void PayFromMain(const std::string& main) {
        ASSERT_FALSE(OpenFromMain(main, "1", "刷卡支付").empty());
        TypeLine("12.34");
        TypeLine("134567890123456789");
        ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    }
    std::string cupsFolder_;
    std::unique_ptr<PrivateCups> cups_;
};

TEST_F(PrinterChoiceEndToEnd, KeySevenChoosesThePortPrinterAndThePaymentsReceiptGoesThere) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string printers = OpenFromMain(main, "7", "打印机设置");
    ASSERT_FALSE(printers.empty());
    Screenshot(printers, "e2e_printer_settings");
    Key("Down");  // from "不设置打印机" to the port printer
    Key("Return");
    ASSERT_TRUE(WaitForBox("完成|设置打印机成功!|64")) << Boxes();
    ASSERT_TRUE(WaitForNoWindow(kPrinters));
    EXPECT_NE(Config().find("[打印设置]\r\nPrinterType=1\r\n"), std::string::npos) << Config();
    EXPECT_EQ(PrivateCups::ClientDefault(), "") << "the port printer is no CUPS default";

    PayFromMain(main);
    const std::string receipt = platform::GbkToUtf8(ReadBytes(till_.Port()));
    EXPECT_NE(receipt.find("\r\n实付金额:12.34元\r\n"), std::string::npos) << receipt;
    EXPECT_FALSE(fs::exists(cupsFolder_ + "counter.pdf"));
}

TEST_F(PrinterChoiceEndToEnd, KeySevenChoosesACupsPrinterThatTheReceiptsReachAfterARestart) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    OpenFromMain(main, "7", "打印机设置");
    Key("Down");
    Key("Down");  // the first printer CUPS lists
    Key("Return");
    ASSERT_TRUE(WaitForBox("完成|设置打印机成功!|64")) << Boxes();
    EXPECT_EQ(PrivateCups::ClientDefault(), "Counter");
    EXPECT_NE(Config().find("PrinterType=2\r\nPrinterPort=" + till_.Port().string() +
                            "\r\nPrinterName=Counter\r\n"),
              std::string::npos)
        << Config();

    StopTill();
    const std::string again = StartSignedIn();
    ASSERT_FALSE(again.empty());
    PayFromMain(again);
    ASSERT_TRUE(PrivateCups::WaitForJob(cupsFolder_ + "counter.pdf")) << "nothing reached Counter";
    const auto text = RunProgram({"pdftotext", cupsFolder_ + "counter.pdf", "-"}).out;
    EXPECT_NE(text.find("实付金额:12.34元"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(till_.Port())) << "nothing on the port";
}

}  // namespace
