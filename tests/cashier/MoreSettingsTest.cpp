#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "SettingsDialogFixture.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

constexpr const char* kCaption = "更多";
constexpr const char* kConflict = "此快捷键有冲突，请重新设置!";

class MoreSettings : public SettingsDialogFixture {
protected:
    void SetUp() override {
        SettingsDialogFixture::SetUp();
        // Hot keys unlike any key a test captures, so a capture always shows.
        ShortCutSet = {"F2", "F3", "ESC"};
    }

    static QLineEdit* Edit(Form& f, const char* name) { return f.findChild<QLineEdit*>(name); }
    static int Page(Form& f) { return f.findChild<QTabWidget*>("PageControl1")->currentIndex(); }
    static std::string Tip(Form& f, const char* name) {
        return f.findChild<QLabel*>(name)->text().toStdString();
    }
    static void FocusOn(Form& f, const char* name) {
        if (name[4] != 'O' && name[4] != 'N') {  // a hot-key edit: on its page first
            Press(f, Qt::Key_Right);
        }
        Edit(f, name)->setFocus();
        ASSERT_EQ(f.ActiveControlName(), name);
    }
    // Closes the dialog with the cancel key, which every test leaves as it found it.
    static void CloseWithCancelKey(Form& f) {
        Press(f, Qt::Key_Escape);
        EXPECT_FALSE(f.isVisible()) << "the cancel key closes the dialog";
    }
    std::string ShortCutSection() const {
        const std::string text = folder_.Read("Config/Config.ini");
        const size_t at = text.find(Gbk("[快捷键设置]"));
        return at == std::string::npos ? std::string() : text.substr(at);
    }
};

TEST_F(MoreSettings, OpensOnThePasswordPageWithTheCurrentHotKeys) {
    Then(kCaption, [](Form& f) {
        EXPECT_EQ(f.size(), QSize(409, 310));
        EXPECT_EQ(Page(f), 0);
        EXPECT_EQ(f.ActiveControlName(), "editOldPsw");
        EXPECT_EQ(Tip(f, "LabelTip01"), "输入完成按Enter保存，退出按ESC");
        EXPECT_EQ(Tip(f, "LabelTip02"), "输入完成按Enter保存，退出按ESC");
        EXPECT_EQ(Edit(f, "editHideShowKey")->text(), "F2");
        EXPECT_EQ(Edit(f, "editExitKey")->text(), "F3");
        EXPECT_EQ(Edit(f, "editCancleKey")->text(), "ESC");
        for (const char* name : {"editOldPsw", "editNewPsw", "editNewPswCf"}) {
            Edit(f, name)->setText("ab1");
            EXPECT_EQ(Edit(f, name)->displayText(), "***") << name << " masks with stars";
            Edit(f, name)->clear();
        }
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
}

TEST_F(MoreSettings, LeftAndRightToggleThePagesAndReachNoEdit) {
    Then(kCaption, [](Form& f) {
        Press(f, Qt::Key_Right);
        EXPECT_EQ(Page(f), 1);
        EXPECT_EQ(f.ActiveControlName(), "editHideShowKey");
        Edit(f, "editExitKey")->setFocus();
        Press(f, Qt::Key_Left);
        EXPECT_EQ(Page(f), 0);
        EXPECT_EQ(f.ActiveControlName(), "editOldPsw");
        Press(f, Qt::Key_Left, Qt::ShiftModifier);
        EXPECT_EQ(Page(f), 1);
        Press(f, Qt::Key_Right);
        EXPECT_EQ(Page(f), 0);
        EXPECT_EQ(Edit(f, "editHideShowKey")->text(), "F2") << "the arrow was no capture";
        EXPECT_EQ(Edit(f, "editExitKey")->text(), "F3");
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
}

TEST_F(MoreSettings, UpAndDownMoveTheFocusAndEnterMovesOnFromTheFirstTwoKeys) {
    Then(kCaption, [](Form& f) {
        FocusOn(f, "editHideShowKey");
        Press(f, Qt::Key_Down);
        EXPECT_EQ(f.ActiveControlName(), "editExitKey");
        Press(f, Qt::Key_Up);
        Press(f, Qt::Key_Up);
        EXPECT_EQ(f.ActiveControlName(), "editCancleKey") << "wraps within the page";
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_Return);
        EXPECT_EQ(f.ActiveControlName(), "editExitKey");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(f.ActiveControlName(), "editCancleKey");
        EXPECT_EQ(Edit(f, "editHideShowKey")->text(), "F2");
        EXPECT_EQ(Edit(f, "editExitKey")->text(), "F3");
        EXPECT_EQ(Edit(f, "editCancleKey")->text(), "ESC");
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    EXPECT_TRUE(boxes.empty()) << BoxTexts().at(0);
}

// One key pressed in one hot-key edit.
struct Capture {
    const char* name;
    const char* edit;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool numLock;
    const char* shown;  // nullptr: refused, the edit keeps its text
};

class HotKeyCapture : public MoreSettings, public ::testing::WithParamInterface<Capture> {};

TEST_P(HotKeyCapture, TheEditShowsTheKeysNameOrRefusesAConflict) {
    const Capture& row = GetParam();
    Then(kCaption, [this, &row](Form& f) {
        FocusOn(f, row.edit);
        const QString before = Edit(f, row.edit)->text();
        SetLockStatesForTesting(LockStates{false, row.numLock});
        Press(f, row.key, row.modifiers);
        SetLockStatesForTesting(LockStates{false, true});
        if (row.shown) {
            EXPECT_TRUE(boxes.empty()) << BoxTexts().at(0);
            EXPECT_EQ(Edit(f, row.edit)->text().toStdString(), row.shown);
        } else {
            ASSERT_EQ(BoxTexts(), std::vector<std::string>{kConflict});
            EXPECT_EQ(boxes[0].call.caption, "提示");
            EXPECT_EQ(Edit(f, row.edit)->text(), before);
        }
        EXPECT_EQ(f.ActiveControlName(), row.edit);
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    EXPECT_EQ(ShortCutSet.ShortCutExit, "F3") << "nothing is stored before Enter";
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;

INSTANTIATE_TEST_SUITE_P(
    , HotKeyCapture,
    ::testing::Values(
        Capture{"ExitDigit5Refused", "editExitKey", Qt::Key_5, kNone, true, nullptr},
        Capture{"ExitCtrl5Accepted", "editExitKey", Qt::Key_5, Qt::ControlModifier, true, "CTRL+5"},
        Capture{"ExitAlt1Accepted", "editExitKey", Qt::Key_1, Qt::AltModifier, true, "ALT+1"},
        Capture{"ExitShift8Accepted", "editExitKey", Qt::Key_Asterisk, Qt::ShiftModifier, true,
                "SHIFT+8"},
        Capture{"ExitDigit0Accepted", "editExitKey", Qt::Key_0, kNone, true, "0"},
        Capture{"ExitDigit9Accepted", "editExitKey", Qt::Key_9, kNone, true, "9"},
        Capture{"ExitKeypad1NumLockOnAccepted", "editExitKey", Qt::Key_1, kKeypad, true, "1"},
        Capture{"ExitKeypad1NumLockOffNamesNothing", "editExitKey", Qt::Key_End, kKeypad, false,
                ""},
        Capture{"ExitBackspaceEmpties", "editExitKey", Qt::Key_Backspace, kNone, true, ""},
        Capture{"HideShowDigit1Refused", "editHideShowKey", Qt::Key_1, kNone, true, nullptr},
        Capture{"HideShowDigit8Refused", "editHideShowKey", Qt::Key_8, kNone, true, nullptr},
        Capture{"HideShowF5Accepted", "editHideShowKey", Qt::Key_F5, kNone, true, "F5"},
        Capture{"HideShowLetterAccepted", "editHideShowKey", Qt::Key_Q, kNone, true, "Q"},
        Capture{"CancelF5Refused", "editCancleKey", Qt::Key_F5, kNone, true, nullptr},
        Capture{"CancelF11Refused", "editCancleKey", Qt::Key_F11, kNone, true, nullptr},
        Capture{"CancelDeleteRefused", "editCancleKey", Qt::Key_Delete, kNone, true, nullptr},
        Capture{"CancelDigit0Refused", "editCancleKey", Qt::Key_0, kNone, true, nullptr},
        Capture{"CancelLetterRefused", "editCancleKey", Qt::Key_A, kNone, true, nullptr},
        Capture{"CancelKeypad3NumLockOnRefused", "editCancleKey", Qt::Key_3, kKeypad, true,
                nullptr},
        Capture{"CancelKeypad3NumLockOffNamesNothing", "editCancleKey", Qt::Key_PageDown, kKeypad,
                false, ""},
        Capture{"CancelKeypadPlusRefused", "editCancleKey", Qt::Key_Plus, kKeypad, true, nullptr},
        Capture{"CancelF12Accepted", "editCancleKey", Qt::Key_F12, kNone, true, "F12"},
        Capture{"CancelKeypad0NumLockOnAccepted", "editCancleKey", Qt::Key_0, kKeypad, true, "0"},
        Capture{"CancelKeypad0NumLockOffNamesNothing", "editCancleKey", Qt::Key_Insert, kKeypad,
                false, ""},
        Capture{"CancelShiftF5Accepted", "editCancleKey", Qt::Key_F5, Qt::ShiftModifier, true,
                "SHIFT+F5"},
        Capture{"CancelShiftAAccepted", "editCancleKey", Qt::Key_A, Qt::ShiftModifier, true,
                "SHIFT+A"},
        Capture{"CancelCtrlDeleteAccepted", "editCancleKey", Qt::Key_Delete, Qt::ControlModifier,
                true, "CTRL+"},
        Capture{"CancelPauseAccepted", "editCancleKey", Qt::Key_Pause, kNone, true, "PAUSE"},
        Capture{"CancelBackspaceEmpties", "editCancleKey", Qt::Key_Backspace, kNone, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The current cancel key closes the dialog from every edit; it is never captured.
struct CancelFrom {
    const char* name;
    const char* edit;
    const char* cancelKey;
    Qt::Key key;
};

class CancelKey : public MoreSettings, public ::testing::WithParamInterface<CancelFrom> {};

TEST_P(CancelKey, ClosesTheDialogInsteadOfBeingCaptured) {
    ShortCutSet.ShortCutCancel = GetParam().cancelKey;
    Then(kCaption, [](Form& f) {
        FocusOn(f, GetParam().edit);
        Press(f, GetParam().key);
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(Edit(f, "editHideShowKey")->text(), "F2");
        EXPECT_EQ(Edit(f, "editExitKey")->text(), "F3");
        EXPECT_EQ(Edit(f, "editCancleKey")->text(), GetParam().cancelKey);
    });
    Run("TForm_More");
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    , CancelKey,
    ::testing::Values(CancelFrom{"EscInOldPassword", "editOldPsw", "ESC", Qt::Key_Escape},
                      CancelFrom{"EscInConfirmation", "editNewPswCf", "ESC", Qt::Key_Escape},
                      CancelFrom{"EscInHideShowKey", "editHideShowKey", "ESC", Qt::Key_Escape},
                      CancelFrom{"EscInExitKey", "editExitKey", "ESC", Qt::Key_Escape},
                      CancelFrom{"EscInCancelKey", "editCancleKey", "ESC", Qt::Key_Escape},
                      CancelFrom{"F12InCancelKey", "editCancleKey", "F12", Qt::Key_F12},
                      CancelFrom{"F12InExitKey", "editExitKey", "F12", Qt::Key_F12}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MoreSettings, SavedHotKeysAreStoredAndTakeEffectAtOnce) {
    folder_.Write(
        "Config/Config.ini",
        Gbk("[快捷键设置]\r\nShortCutHideOrShow=F2\r\nOld=1\r\n[打印设置]\r\nPrinterType=1\r\n"));
    Then(kCaption, [this](Form& f) {
        FocusOn(f, "editHideShowKey");
        Press(f, Qt::Key_F4);
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_5, Qt::ControlModifier);
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_F12);
        Press(f, Qt::Key_Return);
        ASSERT_EQ(BoxTexts(), std::vector<std::string>{"设置快捷键成功！"});
        EXPECT_EQ(boxes[0].call.caption, "提示");
        EXPECT_EQ(ShortCutSet.ShortCutHideOrShow, "F4");
        EXPECT_EQ(ShortCutSet.ShortCutExit, "CTRL+5");
        EXPECT_EQ(ShortCutSet.ShortCutCancel, "F12");
        EXPECT_EQ(Tip(f, "LabelTip01"), "输入完成按Enter保存，退出按F12");
        EXPECT_EQ(Tip(f, "LabelTip02"), "输入完成按Enter保存，退出按F12");
        EXPECT_TRUE(f.isVisible()) << "the dialog stays open";
        Press(f, Qt::Key_Escape);  // no longer the cancel key: an ordinary key to capture
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(Edit(f, "editCancleKey")->text(), "ESC");
        Press(f, Qt::Key_F12);
        EXPECT_FALSE(f.isVisible());
    });
    Run("TForm_More");
    EXPECT_EQ(ShortCutSection(),
              Gbk("[快捷键设置]\r\nShortCutHideOrShow=F4\r\nShortCutExit=CTRL+5\r\n"
                  "ShortCutCancel=F12\r\n"));
    EXPECT_NE(folder_.Read("Config/Config.ini").find(Gbk("[打印设置]\r\nPrinterType=1\r\n")),
              std::string::npos)
        << "the other sections stay";
}

TEST_F(MoreSettings, ThreeEqualHotKeysAreSaved) {
    Then(kCaption, [](Form& f) {
        FocusOn(f, "editHideShowKey");
        for (int i = 0; i < 3; ++i) {
            Press(f, Qt::Key_F12);
            Press(f, Qt::Key_Down);
        }
        Press(f, Qt::Key_Up);
        Press(f, Qt::Key_Return);
        Press(f, Qt::Key_F12);
    });
    Run("TForm_More");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"设置快捷键成功！"});
    EXPECT_EQ(ShortCutSet.ShortCutHideOrShow, "F12");
    EXPECT_EQ(ShortCutSet.ShortCutExit, "F12");
    EXPECT_EQ(ShortCutSet.ShortCutCancel, "F12");
}

// A save with one hot key emptied (Backspace names no key).
struct EmptyKey {
    const char* name;
    const char* edit;
    const char* message;
};

class SaveWithEmptyKey : public MoreSettings, public ::testing::WithParamInterface<EmptyKey> {};

TEST_P(SaveWithEmptyKey, IsRefusedWithTheFocusOnThatEdit) {
    Then(kCaption, [this](Form& f) {
        FocusOn(f, GetParam().edit);
        Press(f, Qt::Key_Backspace);
        Edit(f, "editCancleKey")->setFocus();
        Press(f, Qt::Key_Return);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].call.text, GetParam().message);
        EXPECT_EQ(boxes[0].focus, GetParam().edit);
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    EXPECT_EQ(ShortCutSet.ShortCutHideOrShow, "F2");
    EXPECT_EQ(ShortCutSet.ShortCutExit, "F3");
    EXPECT_EQ(ShortCutSection(), "") << "nothing written";
}

INSTANTIATE_TEST_SUITE_P(
    , SaveWithEmptyKey,
    ::testing::Values(EmptyKey{"HideShow", "editHideShowKey", "请设置【主界面隐藏/退出】的快捷键!"},
                      EmptyKey{"Exit", "editExitKey", "请设置【主界面签退】的快捷键!"},
                      EmptyKey{"Cancel", "editCancleKey", "请设置【取消操作】的快捷键!!"}),
    [](const auto& info) { return std::string(info.param.name); });

// Enter in the confirmation with one of the password edits wrong.
struct PasswordEntry {
    const char* name;
    const char* oldPassword;
    const char* newPassword;
    const char* confirmation;
    const char* message;
    const char* focus;
};

class PasswordCheck : public MoreSettings, public ::testing::WithParamInterface<PasswordEntry> {};

TEST_P(PasswordCheck, RefusesBeforeAnythingIsSent) {
    const PasswordEntry& row = GetParam();
    Then(kCaption, [this, &row](Form& f) {
        SetText(f, "editOldPsw", row.oldPassword);
        SetText(f, "editNewPsw", row.newPassword);
        SetText(f, "editNewPswCf", row.confirmation);
        Edit(f, "editNewPswCf")->setFocus();
        Press(f, Qt::Key_Return);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].call.text, row.message);
        EXPECT_EQ(boxes[0].call.caption, "提示");
        EXPECT_EQ(boxes[0].focus, row.focus);
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    EXPECT_TRUE(Gateway().Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    , PasswordCheck,
    ::testing::Values(
        PasswordEntry{"NoOldPassword", "  ", "b", "b", "请输入原始密码!", "editOldPsw"},
        PasswordEntry{"NoNewPassword", "a", " ", "b", "请输入新密码!", "editNewPsw"},
        PasswordEntry{"NoConfirmation", "a", "b", "", "请输入新密码确认!", "editNewPswCf"},
        PasswordEntry{"AllEmptyOldFirst", "", "", "", "请输入原始密码!", "editOldPsw"},
        PasswordEntry{"DifferInCase", "a", "Secret", "secret", "两次输入的密码不一致，请重新输入!",
                      "editNewPsw"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MoreSettings, AMismatchEmptiesBothNewPasswords) {
    Then(kCaption, [](Form& f) {
        SetText(f, "editOldPsw", "123456");
        SetText(f, "editNewPsw", "111111");
        SetText(f, "editNewPswCf", "222222");
        Edit(f, "editNewPswCf")->setFocus();
        Press(f, Qt::Key_Return);
        EXPECT_EQ(Text(f, "editOldPsw"), "123456");
        EXPECT_EQ(Text(f, "editNewPsw"), "");
        EXPECT_EQ(Text(f, "editNewPswCf"), "");
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
}

TEST_F(MoreSettings, TheGatewayGetsTheTrimmedPasswordsAndTheTextsStay) {
    Then(kCaption, [](Form& f) {
        Type(f, " 123456 ");
        Press(f, Qt::Key_Return);
        Type(f, " 654321");
        Press(f, Qt::Key_Down);
        Type(f, "654321  ");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(Text(f, "editOldPsw"), " 123456 ");
        EXPECT_EQ(Text(f, "editNewPsw"), " 654321");
        EXPECT_EQ(Text(f, "editNewPswCf"), "654321  ");
        EXPECT_TRUE(f.isVisible());
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"修改密码成功！"});
    EXPECT_EQ(boxes[0].call.caption, "提示");
    const auto sent = Gateway().Requests("syyUpdPwd");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].problems.empty()) << sent[0].problems.at(0);
    EXPECT_EQ(sent[0].decrypted.at("syy_pwd"), "123456");
    EXPECT_EQ(sent[0].decrypted.at("syy_newpwd"), "654321");
    ExpectTillIdentity(sent[0]);
}

// What the gateway answers a password change, and what the cashier is shown.
struct PasswordReply {
    const char* name;
    const char* script;  // "" for the gateway's own answer
    const char* oldPassword;
    const char* shown;
};

class PasswordAnswer : public MoreSettings, public ::testing::WithParamInterface<PasswordReply> {};

TEST_P(PasswordAnswer, IsShownUnderTheTipCaption) {
    const PasswordReply& row = GetParam();
    if (*row.script) {
        Reply("syyUpdPwd", row.script);
    }
    Then(kCaption, [&row](Form& f) {
        SetText(f, "editOldPsw", row.oldPassword);
        SetText(f, "editNewPsw", "654321");
        SetText(f, "editNewPswCf", "654321");
        Edit(f, "editNewPswCf")->setFocus();
        Press(f, Qt::Key_Return);
        EXPECT_EQ(Text(f, "editNewPsw"), "654321");
        CloseWithCancelKey(f);
    });
    Run("TForm_More");
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{row.shown});
    EXPECT_EQ(boxes[0].call.caption, "提示");
}

INSTANTIATE_TEST_SUITE_P(
    , PasswordAnswer,
    ::testing::Values(
        PasswordReply{"WrongOldPassword", "", "999999", "修改密码失败:原密码错误"},
        PasswordReply{"DoubleZeroIsNoSuccess",
                      R"({"fields": {"result": "00", "errmsg": "格式不对"}})", "123456",
                      "修改密码失败:格式不对"},
        PasswordReply{"PositiveIsNoSuccess", R"({"fields": {"result": "1", "errmsg": "稍后"}})",
                      "123456", "修改密码失败:稍后"},
        PasswordReply{"NoReply", R"({"hangup": true})", "123456", "当前网络异常，请稍后重新再试！"},
        PasswordReply{"BadSignatureStillReadsTheResult", R"({"sign": "wrong"})", "123456",
                      "修改密码成功！"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
