#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTest>

#include <string>
#include <vector>

#include "FormEnterCancel.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

// A dialog of the two keys that records its acts and the keys that went on past the form.
class ProbeDialog : public TForm_Enter_Cancel {
public:
    explicit ProbeDialog(bool ownCancel) : TForm_Enter_Cancel(nullptr), ownCancel_(ownCancel) {
        OnControlKeyDown(this, [this](int& key) { passed.push_back(key); });
    }

    std::vector<std::string> acts;
    std::vector<int> passed;

protected:
    void EnterAct() override { acts.push_back("enter"); }
    void CancelAct() override {
        acts.push_back("cancel");
        if (!ownCancel_) {
            TForm_Enter_Cancel::CancelAct();
        }
    }

private:
    bool ownCancel_;
};

// The cancel key is a global setting: each test sets its own and leaves the one before.
class CancelKeyGuard {
public:
    explicit CancelKeyGuard(const std::string& key) : before_(ShortCutSet.ShortCutCancel) {
        ShortCutSet.ShortCutCancel = key;
    }
    ~CancelKeyGuard() { ShortCutSet.ShortCutCancel = before_; }

private:
    std::string before_;
};

struct KeyCase {
    const char* name;
    const char* cancelKey;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<std::string> acts;
    std::vector<int> passed;
};

class EnterCancelKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(EnterCancelKeys, ConsumeTheTwoKeysAndPassTheRestOn) {
    const CancelKeyGuard cancelKey(GetParam().cancelKey);
    ProbeDialog dialog(true);
    dialog.show();
    QTest::keyClick(&dialog, GetParam().key, GetParam().modifiers);
    EXPECT_EQ(dialog.acts, GetParam().acts);
    EXPECT_EQ(dialog.passed, GetParam().passed);
}

INSTANTIATE_TEST_SUITE_P(
    , EnterCancelKeys,
    ::testing::Values(
        KeyCase{"EnterDoesTheAct", "ESC", Qt::Key_Return, {}, {"enter"}, {}},
        KeyCase{"KeypadEnterDoesTheAct", "ESC", Qt::Key_Enter, Qt::KeypadModifier, {"enter"}, {}},
        KeyCase{"CancelKeyDoesTheCancelAct", "ESC", Qt::Key_Escape, {}, {"cancel"}, {}},
        KeyCase{"AnyKeyMayBeTheCancelKey", "F12", Qt::Key_F12, {}, {"cancel"}, {}},
        KeyCase{"EscOnceNoLongerTheCancelKeyGoesOn", "F12", Qt::Key_Escape, {}, {}, {VK_ESCAPE}},
        KeyCase{"CancelKeyWithAModifierIsAnotherKey",
                "F12",
                Qt::Key_F12,
                Qt::ControlModifier,
                {},
                {VK_CONTROL, VK_F1 + 11}},
        KeyCase{"OtherKeysGoOn", "ESC", Qt::Key_A, {}, {}, {'A'}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EnterCancelDialog, ShowsWithTheFocusOnTheFormItself) {
    ProbeDialog dialog(true);
    dialog.show();
    EXPECT_EQ(dialog.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(dialog.focusWidget(), &dialog);
}

TEST(EnterCancelDialog, CancelKeyClosesAndFreesTheDialogUnlessItDoesOtherwise) {
    const CancelKeyGuard cancelKey("ESC");
    QPointer<ProbeDialog> kept(new ProbeDialog(true));
    QPointer<ProbeDialog> closed(new ProbeDialog(false));
    for (ProbeDialog* dialog : {kept.data(), closed.data()}) {
        dialog->show();
        QTest::keyClick(dialog, Qt::Key_Escape);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
    ASSERT_FALSE(kept.isNull());
    EXPECT_TRUE(kept->isVisible());
    delete kept.data();
}

}  // namespace
