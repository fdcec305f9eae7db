#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSystemTrayIcon>

#include "FormLogin.h"
#include "SignInFixture.h"
#include "TrayIcon.h"

using namespace platform;

namespace {

class SignIn : public SignInFixture {
protected:
    void RunLogin() { Run("TForm_Login"); }
};

}  // namespace

TEST_F(SignIn, AcceptedAccountFillsTheCashierAndCloses) {
    SyyInfo = {"0999", "前一位"};
    Then("登录", [](Form& f) {
        EXPECT_TRUE(SyyInfo.SyyID.empty()) << "the cashier before is forgotten at once";
        EXPECT_TRUE(SyyInfo.SyyName.empty());
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter，隐藏/显示按ESC");
        EXPECT_EQ(f.size(), QSize(336, 252));
        EXPECT_EQ(f.ActiveControlName(), "editUser");
        auto* password = f.findChild<QLineEdit*>("editPsw");
        password->setText("ab1");
        EXPECT_EQ(password->displayText(), "***");
        password->clear();
        SignInAs(f, "  1001 ", " 123456 ");
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
    EXPECT_EQ(SyyInfo.SyyName, "张三");
    EXPECT_TRUE(boxes.empty()) << BoxTexts().at(0);
    const auto sent = Gateway().Requests("syyLogin");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].fields.at("syy_id"), "1001");
    EXPECT_EQ(sent[0].decrypted.at("syy_pwd"), "123456");
    EXPECT_EQ(sent[0].fields.at("appid"), kAppId);
    EXPECT_TRUE(sent[0].problems.empty());
}

TEST_F(SignIn, EmptyFieldsAreRefusedInOrderWithTheFocusMovedFirst) {
    Then("登录", [this](Form& f) {
        Type(f, "   ");
        Press(f, Qt::Key_Return);  // on to the password
        Press(f, Qt::Key_Return);  // confirm with both empty: back to the account
        Type(f, "1001");
        Press(f, Qt::Key_Return);
        Press(f, Qt::Key_Return);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].call.text, "请输入登录账号!");
        EXPECT_EQ(boxes[0].call.caption, "提示");
        EXPECT_EQ(boxes[0].call.flags, 0x40u);
        EXPECT_EQ(boxes[0].focus, "editUser");
        EXPECT_EQ(boxes[1].call.text, "请输入登录密码!");
        EXPECT_EQ(boxes[1].focus, "editPsw");
        EXPECT_TRUE(Gateway().Requests().empty()) << "nothing is sent";
        Type(f, "123456");
        Press(f, Qt::Key_Return);
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyName, "张三");
}

TEST_F(SignIn, RefusalShowsTheGatewaysTextAndKeepsTheDialog) {
    Reply("syyLogin", R"({"fields": {"result": "00", "errmsg": "账号停用"}})");
    Then("登录", [this](Form& f) {
        SignInAs(f, "1001", "wrong");  // a result of 00 is no success
        ASSERT_EQ(BoxTexts(), std::vector<std::string>{"登录失败：账号停用(Result=00)"});
        EXPECT_EQ(Text(f, "editPsw"), "wrong") << "texts stay";
        EXPECT_EQ(f.ActiveControlName(), "editPsw") << "focus stays";
        EXPECT_TRUE(SyyInfo.SyyID.empty());
        Press(f, Qt::Key_Return);
        EXPECT_EQ(boxes.back().call.text, "登录失败：密码错误(Result=-1)");
        EXPECT_TRUE(f.isVisible());
        f.findChild<QLineEdit*>("editPsw")->setText("123456");
        Press(f, Qt::Key_Return);
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
}

TEST_F(SignIn, SuccessWithoutANameLeavesTheNameEmpty) {
    Reply("syyLogin", R"({"omit": ["syy_name"]})");
    Then("登录", [](Form& f) { SignInAs(f, "1001", "123456"); });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
    EXPECT_EQ(SyyInfo.SyyName, "");
}

TEST_F(SignIn, CancelKeyDoesNothingAndTheCloseButtonHidesToTheTray) {
    Then("登录", [this](Form& f) {
        Press(f, Qt::Key_Escape);
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(f.IsModalShowing());
        f.Close();
        EXPECT_FALSE(f.isVisible());
        EXPECT_TRUE(f.IsModalShowing()) << "hidden, still waiting for a cashier";
        QSystemTrayIcon* icon = FindTrayIcon(&f, 1);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->toolTip().toStdString(), AppTitle);
        emit icon->activated(QSystemTrayIcon::Context);
        QApplication::processEvents();
        EXPECT_FALSE(f.isVisible()) << "a right click does nothing";
        emit icon->activated(QSystemTrayIcon::Trigger);
        QApplication::processEvents();
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(boxes.empty());
        SignInAs(f, "1001", "123456");
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
}

TEST_F(SignIn, GatewayThatNeverAnswersGivesTheTransportMessageAfterTheTimeOut) {
    Reply("syyLogin", R"({"delay": 30})");
    Then("登录", [this](Form& f) {
        SignInAs(f, "1001", "123456");
        ASSERT_EQ(BoxTexts(), std::vector<std::string>{"当前网络异常，请稍后重新再试！"});
        EXPECT_EQ(boxes[0].call.caption, "提示");
        Press(f, Qt::Key_Return);  // responsive again: the next try goes through
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
}

TEST_F(SignIn, HookKeyTogglesTheDialogOnlyWhileTheSharedMemoryExists) {
    if (MemFileForTest::ExistsAlready()) {
        GTEST_SKIP() << "_ORV_MEM_FILE exists on this machine";
    }
    Then("登录", [](Form& f) {
        f.SendMessage(0x464, 0x1B, 0);
        EXPECT_TRUE(f.isVisible()) << "without the shared memory the hook's keys do nothing";
        MemFileForTest memFile;
        f.SendMessage(0x464, 0x1B, 0xC0000001);
        EXPECT_TRUE(f.isVisible()) << "a release is dropped";
        f.SendMessage(0x464, 0x31, 0);
        EXPECT_TRUE(f.isVisible()) << "another key";
        f.SendMessage(0x464, 0x1B, 0);
        EXPECT_FALSE(f.isVisible());
        f.SendMessage(0x464, 0x1B, 0);
        EXPECT_TRUE(f.isVisible());
        SignInAs(f, "1001", "123456");
    });
    RunLogin();
    EXPECT_EQ(SyyInfo.SyyID, "1001");
}
