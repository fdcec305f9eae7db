#include <QApplication>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTest>

#include <filesystem>
#include <memory>

#include "Application.h"
#include "FormLogin.h"
#include "FormMain.h"
#include "QzFormRunner.h"
#include "SignInFixture.h"
#include "TrayIcon.h"

using namespace platform;

namespace {

const char* const kOperations[] = {
    "TForm_Micro_Pay",   "TForm_Code_Pay",    "TForm_Refund",      "TForm_Refund_Query",
    "TForm_Today_Order", "TForm_Today_Total", "TForm_Printer_Set", "TForm_More",
};

// Stands in for a dialog: Execute notes that it was opened and what it did to the settings.
class TProbeDialog : public Form {
public:
    explicit TProbeDialog(std::string name) {
        Publish("Execute", [name](const Variant&, Variant&) {
            opened.push_back(name);
            if (onOpen) {
                onOpen();
            }
        });
    }
    static inline std::vector<std::string> opened;
    static inline std::function<void()> onOpen;
};

class MainWindow : public SignInFixture {
protected:
    void SetUp() override {
        SignInFixture::SetUp();
        TProbeDialog::opened.clear();
        TProbeDialog::onOpen = nullptr;
        for (const char* name : kOperations) {
            RegisterClass(name, [name](QWidget*) { return std::make_unique<TProbeDialog>(name); });
        }
    }
    void TearDown() override {
        main_.reset();
        for (const char* name : kOperations) {
            UnRegisterClass(name);
        }
        RegisterFormClass<TForm_Login>("TForm_Login");
        SignInFixture::TearDown();
    }

    // The sign-in answers at once, as cashier 1001 张三.
    void UseQuickSignIn() {
        RegisterClass("TForm_Login", [](QWidget*) {
            auto login = std::make_unique<TProbeDialog>("TForm_Login");
            SyyInfo = {"1001", "张三"};
            return login;
        });
    }
    TForm_Main& Open() {
        Run([this] { main_ = std::make_unique<TForm_Main>(nullptr); });
        TProbeDialog::opened.clear();
        return *main_;
    }
    void Key(int qtKey, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(main_.get(), static_cast<Qt::Key>(qtKey), modifiers);
    }
    std::string Label(const char* name) {
        return main_->findChild<QLabel*>(name)->text().toStdString();
    }
    static void Click(QSystemTrayIcon* icon, QSystemTrayIcon::ActivationReason reason) {
        emit icon->activated(reason);
        QApplication::processEvents();
    }

    std::unique_ptr<TForm_Main> main_;
};

}  // namespace

TEST_F(MainWindow, FreshTillInitialisesTheStoreThenSignsInThenShows) {
    ForgetStore();
    SystemSet.BaseUrl.clear();
    RequestUrls = TRequestUrl();  // no parameter file: every request goes to the address itself
    Gateway().Config(R"({"base_path": "infer"})");
    const std::string address = Gateway().BaseUrl();
    Then("系统初始化", [address](Form& f) {
        Type(f, QString::fromStdString(address));
        Press(f, Qt::Key_Return);
        Type(f, "S0001");
        Press(f, Qt::Key_Return);
        Type(f, "888888");
        Press(f, Qt::Key_Return);
    });
    Then("登录", [](Form& f) { SignInAs(f, "1001", "123456"); });
    TForm_Main& main = Open();

    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.Shown());
    EXPECT_EQ(main.windowTitle().toStdString(), AppTitle);
    EXPECT_EQ(main.size(), QSize(386, 579));
    EXPECT_EQ(Label("lbSyyName"), "收银员:张三");
    EXPECT_EQ(Label("PanelTip"), "请按相应数字键操作，“隐藏/显示”按ESC，“签退”按0。");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"系统初始化成功！"});
    EXPECT_TRUE(std::filesystem::exists(folder_.File("Parameter/Parameter.dat")));
    EXPECT_EQ(InterfacePRM.Key, kMerchantKey);
    QSystemTrayIcon* icon = FindTrayIcon(&main, 1);
    ASSERT_NE(icon, nullptr) << "the icon comes after the first sign-in";
    EXPECT_EQ(icon->toolTip().toStdString(), AppTitle);
    for (const auto& r : Gateway().Requests()) {
        EXPECT_EQ(r.path, "/");
    }
}

TEST_F(MainWindow, DigitsAndKeypadDigitsOpenTheEightOperations) {
    UseQuickSignIn();
    Open();
    for (int key = Qt::Key_1; key <= Qt::Key_8; ++key) {
        Key(key);
    }
    for (int key = Qt::Key_1; key <= Qt::Key_8; ++key) {
        Key(key, Qt::KeypadModifier);
    }
    std::vector<std::string> expected(std::begin(kOperations), std::end(kOperations));
    expected.insert(expected.end(), std::begin(kOperations), std::end(kOperations));
    EXPECT_EQ(TProbeDialog::opened, expected);

    TProbeDialog::opened.clear();
    QWidget* picture = main_->findChild<QWidget*>("imgTodayTotal");
    QTest::mouseClick(picture, Qt::LeftButton);
    QTest::mouseClick(picture, Qt::RightButton);
    Key(Qt::Key_9);
    Key(Qt::Key_A);
    EXPECT_EQ(TProbeDialog::opened, std::vector<std::string>{"TForm_Today_Total"});
    EXPECT_TRUE(main_->isVisible());
}

TEST_F(MainWindow, AnOperationNotRegisteredGivesTheRunnersMessage) {
    UseQuickSignIn();
    Application::SetTitle("海川微信支付收银系统");
    Open();
    UnRegisterClass("TForm_Refund");
    Key(Qt::Key_3);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].call.text, "[TFORM_REFUND]类不存在!");
    EXPECT_EQ(boxes[0].call.caption, "海川微信支付收银系统");
    EXPECT_EQ(boxes[0].call.flags, 0x10u);
    EXPECT_TRUE(main_->isVisible()) << "the window goes on";
    Key(Qt::Key_4);
    EXPECT_EQ(TProbeDialog::opened, std::vector<std::string>{"TForm_Refund_Query"});
}

TEST_F(MainWindow, HotKeysComeBeforeTheDigits) {
    UseQuickSignIn();
    ShortCutSet.ShortCutHideOrShow = "3";
    Open();
    Key(Qt::Key_3);
    EXPECT_FALSE(main_->isVisible());
    EXPECT_FALSE(main_->Shown());
    EXPECT_TRUE(TProbeDialog::opened.empty()) << "the hot key took the digit";

    ShortCutSet.ShortCutHideOrShow = "1";
    ShortCutSet.ShortCutExit = "1";
    Key(Qt::Key_1);
    EXPECT_EQ(TProbeDialog::opened, std::vector<std::string>{"TForm_Login"})
        << "sign-out wins over hide/show";
    EXPECT_TRUE(main_->isVisible());
}

TEST_F(MainWindow, HideKeyHidesAndOnlyALeftClickOnTheTrayBringsItBack) {
    UseQuickSignIn();
    Open();
    QSystemTrayIcon* icon = FindTrayIcon(main_.get(), 1);
    ASSERT_NE(icon, nullptr);
    Click(icon, QSystemTrayIcon::Trigger);
    EXPECT_TRUE(main_->isVisible()) << "a shown window stays as it is";

    Key(Qt::Key_Escape);
    EXPECT_FALSE(main_->isVisible());
    Click(icon, QSystemTrayIcon::Context);
    Click(icon, QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(main_->isVisible());
    Click(icon, QSystemTrayIcon::Trigger);
    EXPECT_TRUE(main_->isVisible());
    EXPECT_TRUE(main_->Shown());
}

TEST_F(MainWindow, WithoutADesktopTrayTheHideKeyMinimises) {
    UseQuickSignIn();
    SetTrayAvailableForTesting(false);
    Open();
    Key(Qt::Key_Escape);
    EXPECT_TRUE(main_->isMinimized()) << "still reachable from the task bar";
    EXPECT_FALSE(main_->Shown());
    main_->PostMessage(0x7E8, 1, 0x202);
    QApplication::processEvents();
    EXPECT_FALSE(main_->isMinimized());
    EXPECT_TRUE(main_->Shown());
}

TEST_F(MainWindow, HookKeyShowsTheHiddenWindowOnlyWhileTheSharedMemoryExists) {
    if (MemFileForTest::ExistsAlready()) {
        GTEST_SKIP() << "_ORV_MEM_FILE exists on this machine";
    }
    UseQuickSignIn();
    Open();
    Key(Qt::Key_Escape);
    ASSERT_FALSE(main_->isVisible());
    main_->SendMessage(0x464, 0x1B, 0);
    EXPECT_FALSE(main_->isVisible()) << "no shared memory: the hook's keys do nothing";

    MemFileForTest memFile;
    main_->SendMessage(0x464, 0x1B, 0xC0000001);
    EXPECT_FALSE(main_->isVisible()) << "a release is dropped";
    main_->SendMessage(0x464, 0x1B, 0);
    EXPECT_TRUE(main_->isVisible());
    main_->SendMessage(0x464, 0x1B, 0);
    EXPECT_TRUE(main_->isVisible()) << "the main window does not hide on the hook's key";
}

TEST_F(MainWindow, SignOutForgetsTheCashierAndSignsInAgain) {
    Gateway().Config(R"({"cashiers": {"1001": ["123456", "张三"], "1002": ["654321", "李四"]}})");
    Then("登录", [](Form& f) { SignInAs(f, "1001", "123456"); });
    Open();
    QSystemTrayIcon* icon = FindTrayIcon(main_.get(), 1);
    ASSERT_NE(icon, nullptr);

    Then("登录", [this, icon](Form& f) {
        EXPECT_FALSE(main_->isVisible());
        EXPECT_TRUE(SyyInfo.SyyID.empty());
        Click(icon, QSystemTrayIcon::Trigger);
        EXPECT_FALSE(main_->isVisible()) << "the main window's icon does nothing now";
        SignInAs(f, "1002", "654321");
    });
    Run([this] { Key(Qt::Key_0); });
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(SyyInfo.SyyID, "1002");
    EXPECT_EQ(Label("lbSyyName"), "收银员:李四");

    Then("登录", [](Form& f) { SignInAs(f, "1001", "123456"); });
    Run([this] { Key(Qt::Key_0, Qt::KeypadModifier); });  // keypad 0 is "0" with NumLock on
    EXPECT_EQ(Label("lbSyyName"), "收银员:张三");
}

TEST_F(MainWindow, NewHotKeysShowOnTheTipLineAsSoonAsTheSettingsClose) {
    UseQuickSignIn();
    Open();
    TProbeDialog::onOpen = [] {
        ShortCutSet.ShortCutHideOrShow = "F9";
        ShortCutSet.ShortCutExit = "CTRL+Q";
        SyyInfo.SyyName = "王五";
    };
    Key(Qt::Key_8);
    EXPECT_EQ(Label("PanelTip"), "请按相应数字键操作，“隐藏/显示”按F9，“签退”按CTRL+Q。");
    EXPECT_EQ(Label("lbSyyName"), "收银员:张三") << "the name waits for the next sign-in";
}

TEST_F(MainWindow, AWindowHiddenRightAfterItShowedStaysHidden) {
    UseQuickSignIn();
    SetTrayAvailableForTesting(false);
    Open();
    // Shown again, and the hide key struck before the window system has it: bringing the
    // window to the front, which waits for that, must not undo the cashier's key.
    main_->hide();
    main_->show();
    Key(Qt::Key_Escape);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(main_->isMinimized());
}
