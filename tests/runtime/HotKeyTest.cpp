#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "Form.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

// Makes GetKeyState answer as if the given modifiers were held.
void Hold(Qt::KeyboardModifiers mods) {
    QKeyEvent event(QEvent::KeyRelease, Qt::Key_unknown, mods);
    NoteKeyEvent(event);
}

std::string Name(int vk, Qt::KeyboardModifiers mods = Qt::NoModifier, bool numLock = true,
                 bool capsLock = false) {
    SetLockStatesForTesting(LockStates{capsLock, numLock});
    Hold(mods);
    std::string text = "stale";
    KeyToShortCutText(vk, text);
    SetLockStatesForTesting(std::nullopt);
    Hold(Qt::NoModifier);
    return text;
}

}  // namespace

TEST(KeyToShortCutText, NamesKeysAsTheHotKeysAreStored) {
    EXPECT_EQ(Name(VK_F1 + 4, Qt::ControlModifier | Qt::AltModifier), "CTRL+F5");
    EXPECT_EQ(Name('A', Qt::ShiftModifier), "SHIFT+A");
    EXPECT_EQ(Name('A'), "A");
    EXPECT_EQ(Name('A', Qt::NoModifier, true, true), "A");
    EXPECT_EQ(Name('0'), "0");
    EXPECT_EQ(Name(VK_ESCAPE), "ESC");
    EXPECT_EQ(Name(VK_SPACE), "SPACE");
    EXPECT_EQ(Name(VK_CAPITAL), "CAPLOCK");
    EXPECT_EQ(Name(VK_SCROLL), "SCROLLLOCK");
    EXPECT_EQ(Name(VK_CONTROL, Qt::ControlModifier), "CTRL+");
    EXPECT_EQ(Name(VK_MULTIPLY, Qt::ShiftModifier), "SHIFT+");
    EXPECT_EQ(Name(VK_F1 + 12), "");  // F13
    EXPECT_EQ(Name(VK_RETURN), "");
    EXPECT_EQ(Name(VK_UP), "");
    EXPECT_EQ(Name(VK_F1 + 1, Qt::AltModifier), "ALT+F2");
}

TEST(KeyToShortCutText, NumpadDigitsNeedNumLockAndPunctuationSharesNames) {
    EXPECT_EQ(Name(0x63, Qt::NoModifier, true), "3");
    EXPECT_EQ(Name(0x63, Qt::NoModifier, false), "");
    EXPECT_EQ(Name(VK_SUBTRACT), Name(0xBD));
    EXPECT_EQ(Name(VK_DECIMAL), Name(0xBE));
    EXPECT_EQ(Name(VK_DIVIDE), Name(0xBF));
    EXPECT_EQ(Name(0xDE), "`");
    EXPECT_EQ(Name(0xC0), "`");
    EXPECT_EQ(Name(VK_ADD), "+");
}

TEST(KeyToShortCutText, RealKeyEventsCarryTheirModifiers) {
    QKeyEvent ctrlF5(QEvent::KeyPress, Qt::Key_F5, Qt::ControlModifier);
    NoteKeyEvent(ctrlF5);
    std::string text;
    KeyToShortCutText(VirtualKeyFromEvent(ctrlF5), text);
    EXPECT_EQ(text, "CTRL+F5");
    QKeyEvent numpad7(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier);
    NoteKeyEvent(numpad7);
    KeyToShortCutText(VirtualKeyFromEvent(numpad7), text);
    EXPECT_EQ(text, "7");
    Hold(Qt::NoModifier);
}

namespace {

class EntryForm : public Form {
public:
    EntryForm() {
        for (const char* name : {"editUser", "editPwd"}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(name);
            edit->setText("text");
            edits.push_back(edit);
        }
    }
    void FormKeyDown(int& key) override {
        HandleFormShortCutKey(this, key, "editPwd", true);
        passed.push_back(key);
    }
    std::vector<QLineEdit*> edits;
    std::vector<int> passed;
};

}  // namespace

TEST(HandleFormShortCutKey, EnterMovesOnUntilTheLastControl) {
    ShortCutSet.ShortCutCancel = "ESC";
    EntryForm form;
    form.show();
    form.edits[0]->setFocus();
    QTest::keyClick(form.edits[0], Qt::Key_Return);
    EXPECT_EQ(form.ActiveControlName(), "editPwd");
    EXPECT_FALSE(form.edits[1]->hasSelectedText());
    QTest::keyClick(form.edits[1], Qt::Key_Return);
    EXPECT_EQ(form.ActiveControlName(), "editPwd");
    EXPECT_EQ(form.passed, (std::vector<int>{0, VK_RETURN}));
    QTest::keyClick(form.edits[1], Qt::Key_Up);
    EXPECT_EQ(form.ActiveControlName(), "editUser");
    QTest::keyClick(form.edits[0], Qt::Key_Down);
    EXPECT_EQ(form.ActiveControlName(), "editPwd");
}

TEST(HandleFormShortCutKey, CancelKeyEndsTheModalDialog) {
    ShortCutSet.ShortCutCancel = "F4";
    EntryForm form;
    QTimer::singleShot(0, &form, [&] {
        form.edits[0]->setFocus();
        QTest::keyClick(form.edits[0], Qt::Key_Escape);  // not the cancel key now
        EXPECT_TRUE(form.isVisible());
        QTest::keyClick(form.edits[0], Qt::Key_F4);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(form.passed.back(), 0);
    ShortCutSet.ShortCutCancel = "ESC";
}
