#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>

#include "FormInit.h"
#include "QzParameterFile.h"
#include "SignInFixture.h"
#include "TextCodec.h"

using namespace platform;

namespace {

class StoreInit : public SignInFixture {
protected:
    void SetUp() override {
        SignInFixture::SetUp();
        ForgetStore();
    }
    void RunInit() { Run("TForm_Init"); }
    static void Fill(Form& f, const QString& address, const QString& appId, const QString& pwd) {
        f.findChild<QLineEdit*>("editServerAdr")->setText(address);
        f.findChild<QLineEdit*>("editStoreAppID")->setText(appId);
        f.findChild<QLineEdit*>("editSuperPsw")->setText(pwd);
        f.findChild<QLineEdit*>("editSuperPsw")->setFocus();
        Press(f, Qt::Key_Return);
    }
    std::string ConfigText() const { return GbkToUtf8(folder_.Read("Config/Config.ini")); }
};

}  // namespace

TEST_F(StoreInit, SuccessFillsTheMerchantAndSavesTheParameterFile) {
    const std::string address = Gateway().BaseUrl();
    SystemSet.BaseUrl.clear();
    Then("系统初始化", [&](Form& f) {
        EXPECT_EQ(f.size(), QSize(377, 252));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter，隐藏/显示按ESC");
        EXPECT_EQ(f.ActiveControlName(), "editServerAdr");
        auto* password = f.findChild<QLineEdit*>("editSuperPsw");
        password->setText("ab1");
        EXPECT_EQ(password->displayText(), "***");
        password->clear();
        Type(f, QString::fromStdString("  " + address + " "));
        Press(f, Qt::Key_Return);
        EXPECT_EQ(f.ActiveControlName(), "editStoreAppID");
        Type(f, "S0001");
        Press(f, Qt::Key_Return);
        Type(f, "888888");
        Press(f, Qt::Key_Return);
    });
    RunInit();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"系统初始化成功！"});
    EXPECT_EQ(SystemSet.BaseUrl, address) << "stored trimmed";
    EXPECT_NE(ConfigText().find("[系统设置]"), std::string::npos) << ConfigText();
    EXPECT_NE(ConfigText().find("BaseUrl=" + address + "\r\n"), std::string::npos) << ConfigText();
    EXPECT_EQ(InterfacePRM.MchName, "海川测试商户");
    EXPECT_EQ(InterfacePRM.MchID, kMchId);
    EXPECT_EQ(InterfacePRM.AppID, kAppId);
    EXPECT_EQ(InterfacePRM.Key, kMerchantKey) << "deciphered";
    EXPECT_EQ(InterfacePRM.StoreName, "测试门店一号");
    EXPECT_EQ(InterfacePRM.StoreAppID, kStoreAppId);
    const auto sent = Gateway().Requests("queryStoreInfo");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decrypted.at("super_pwd"), "888888");

    // What was saved is what the next start loads.
    ASSERT_TRUE(std::filesystem::exists(folder_.File("Parameter/Parameter.dat")));
    const TInterfacePRM saved = InterfacePRM;
    InterfacePRM = TInterfacePRM();
    LoadParameterFile();
    EXPECT_EQ(InterfacePRM.Key, saved.Key);
    EXPECT_EQ(InterfacePRM.StoreName, saved.StoreName);
}

TEST_F(StoreInit, EmptyFieldsAreRefusedInOrderWithTheFocusMovedFirst) {
    SystemSet.BaseUrl.clear();
    Then("系统初始化", [this](Form& f) {
        Fill(f, " ", "", "");
        Fill(f, "http://127.0.0.1:9", "", "");
        Fill(f, "http://127.0.0.1:9", "S0001", " ");
        ASSERT_EQ(boxes.size(), 3u);
        EXPECT_EQ(boxes[0].call.text, "请输入服务器地址!");
        EXPECT_EQ(boxes[0].focus, "editServerAdr");
        EXPECT_EQ(boxes[1].call.text, "请输入门店AppID!");
        EXPECT_EQ(boxes[1].focus, "editStoreAppID");
        EXPECT_EQ(boxes[2].call.text, "请输入门店超级密码!");
        EXPECT_EQ(boxes[2].focus, "editSuperPsw");
        for (const Box& box : boxes) {
            EXPECT_EQ(box.call.caption, "提示");
            EXPECT_EQ(box.call.flags, 0x40u);
        }
        EXPECT_TRUE(SystemSet.BaseUrl.empty()) << "nothing stored";
        EXPECT_FALSE(std::filesystem::exists(folder_.File("Config/Config.ini")));
        EXPECT_TRUE(Gateway().Requests().empty()) << "nothing sent";
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(InterfacePRM.StoreAppID, kStoreAppId);
}

TEST_F(StoreInit, RefusalKeepsTheDialogAndTheTypedAddress) {
    const std::string address = Gateway().BaseUrl();
    SystemSet.BaseUrl = "http://old.example:1";
    Then("系统初始化", [&](Form& f) {
        EXPECT_EQ(Text(f, "editServerAdr"), "http://old.example:1") << "the address is prefilled";
        Fill(f, QString::fromStdString(address), "S0001", "000000");
        ASSERT_EQ(BoxTexts(),
                  std::vector<std::string>{"系统初始化失败：超级密码错误(Result=-1)！"});
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(InterfacePRM.Key.empty()) << "the merchant is left as it was";
        EXPECT_FALSE(std::filesystem::exists(folder_.File("Parameter/Parameter.dat")));
        EXPECT_EQ(SystemSet.BaseUrl, address);
        EXPECT_NE(ConfigText().find("BaseUrl=" + address), std::string::npos)
            << "kept for the next try and the next start";
        Fill(f, QString::fromStdString(address), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(BoxTexts().back(), "系统初始化成功！");
}

TEST_F(StoreInit, TheGatewaysStoreAppIdReplacesTheTypedOne) {
    Reply("queryStoreInfo", R"({"fields": {"store_appid": "S0001-B"}})");
    Then("系统初始化", [this](Form& f) {
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(InterfacePRM.StoreAppID, "S0001-B");
}

TEST_F(StoreInit, WithoutRequestPathsTheQueryGoesToTheAddressItself) {
    RequestUrls = TRequestUrl();
    Then("系统初始化", [this](Form& f) {
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    const auto sent = Gateway().Requests("queryStoreInfo");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, "/");
    EXPECT_EQ(InterfacePRM.MchID, kMchId);
}

TEST_F(StoreInit, BadAddressesGiveAMessageNeverACrash) {
    Then("系统初始化", [this](Form& f) {
        for (const char* address :
             {"http://127.0.0.1: 80", "不是地址", "http://127.0.0.1:1", "ftp:///", "http://[::1"}) {
            Fill(f, address, "S0001", "888888");
        }
        ASSERT_EQ(boxes.size(), 5u);
        for (const Box& box : boxes) {
            EXPECT_EQ(box.call.text, "当前网络异常，请稍后重新再试！");
            EXPECT_EQ(box.call.caption, "提示");
        }
        EXPECT_TRUE(f.isVisible());
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(InterfacePRM.MchID, kMchId);
}

TEST_F(StoreInit, CancelKeyDoesNothingAndTheCloseButtonHides) {
    Then("系统初始化", [this](Form& f) {
        Press(f, Qt::Key_Escape);
        EXPECT_TRUE(f.isVisible());
        f.Close();
        EXPECT_FALSE(f.isVisible());
        f.PostMessage(0x7E8, 1, 0x202);  // a left click on its tray icon
        QApplication::processEvents();
        EXPECT_TRUE(f.isVisible());
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(InterfacePRM.MchID, kMchId);
}

// The merchant's parameters cannot be kept, and neither can the log take the reason: the cashier
// is told why the store is not initialised, not that the log failed.
TEST_F(StoreInit, ParametersThatCannotBeSavedShowTheirOwnErrorAndKeepTheDialog) {
    std::filesystem::create_directories(folder_.File("Parameter/Parameter.dat.new"));
    std::filesystem::remove_all(folder_.File("Log"));
    folder_.Write("Log", "a file where the log's folder goes");
    Then("系统初始化", [this](Form& f) {
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].call.text,
                  "Cannot create file \"" + folder_.File("Parameter/Parameter.dat") + "\"");
        EXPECT_EQ(boxes[0].call.caption, "错误");
        EXPECT_TRUE(f.isVisible());
        std::filesystem::remove(folder_.File("Parameter/Parameter.dat.new"));
        Fill(f, QString::fromStdString(Gateway().BaseUrl()), "S0001", "888888");
    });
    RunInit();
    EXPECT_EQ(BoxTexts().back(), "系统初始化成功！");
    EXPECT_TRUE(std::filesystem::exists(folder_.File("Parameter/Parameter.dat")));
}
