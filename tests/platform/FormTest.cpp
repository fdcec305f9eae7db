#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

#include "Form.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

// A form with three edits that records what its handlers saw.
class ProbeForm : public Form {
public:
    ProbeForm() {
        for (const char* name : {"edit1", "edit2", "edit3"}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(name);
            edits.push_back(edit);
        }
        Publish("Execute", [](const Variant&, Variant& out) { out = Variant("ran"); });
        Publish("DispInfo", [](const Variant&, Variant&) {});
        OnControlKeyPress(edits[1], [this](char32_t& ch) {
            if (ch < '0' || ch > '9')
                ch = 0;
            controlChars += static_cast<char>(ch ? ch : '_');
        });
    }
    void FormKeyDown(int& key) override {
        keys.push_back(key);
        if (key == VK_F1 + 1)
            key = 0;  // F2 is the form's own
        if (key == VK_F1 + 2 && onF3) {
            onF3();
            keys.push_back(key);  // the form is still whole after its handler ran
        }
    }
    void FormClose(CloseAction& action) override { action = closeAction; }

    std::vector<QLineEdit*> edits;
    std::vector<int> keys;
    std::string controlChars;
    CloseAction closeAction = CloseAction::caHide;
    std::function<void()> onF3;
};

}  // namespace

TEST(Form, SeesEveryKeyFirstAndMayConsumeIt) {
    ProbeForm form;
    form.show();
    form.edits[0]->setFocus();
    QTest::keyClicks(form.edits[0], "a1");
    QTest::keyClick(form.edits[0], Qt::Key_F2);
    QTest::keyClick(form.edits[0], Qt::Key_3, Qt::KeypadModifier);
    QTest::keyClick(form.edits[0], Qt::Key_Return);
    EXPECT_EQ(form.keys, (std::vector<int>{'A', '1', VK_F1 + 1, VK_NUMPAD0 + 3, VK_RETURN}));
    EXPECT_EQ(form.edits[0]->text().toStdString(), "a13");
    EXPECT_TRUE(form.isVisible()) << "Enter must not close the dialog by itself";
    QTest::keyClick(form.edits[0], Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible()) << "Esc must not close the dialog by itself";
}

TEST(Form, ControlCharacterFilterRefusesKeys) {
    ProbeForm form;
    form.show();
    QTest::keyClicks(form.edits[1], "1x2.");
    EXPECT_EQ(form.edits[1]->text().toStdString(), "12");
    EXPECT_EQ(form.controlChars, "1_2_");
}

TEST(Form, FocusMovesInTabOrderWithWrapAndDropsSelection) {
    ProbeForm form;
    form.show();
    form.edits[2]->setText("selected");
    form.edits[0]->setFocus();
    EXPECT_EQ(form.ActiveControlName(), "edit1");
    form.SelectNextControl(false);
    EXPECT_EQ(form.ActiveControlName(), "edit3");
    form.edits[2]->selectAll();  // as Qt does when a window takes the focus by Tab
    form.DropActiveSelection();
    EXPECT_FALSE(form.edits[2]->hasSelectedText());
    EXPECT_EQ(form.edits[2]->text().toStdString(), "selected");
    form.SelectNextControl(true);
    EXPECT_EQ(form.ActiveControlName(), "edit1");
}

TEST(Form, ModalResultEndsTheShowAndCloseMayBeRefused) {
    ProbeForm form;
    QTimer::singleShot(0, &form, [&] { form.SetModalResult(mrOk); });
    EXPECT_EQ(form.ShowModal(), mrOk);

    form.closeAction = CloseAction::caNone;
    QTimer::singleShot(0, &form, [&] {
        form.Close();
        EXPECT_TRUE(form.isVisible());
        form.closeAction = CloseAction::caHide;
        form.Close();
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);  // closing a modal form cancels it
    EXPECT_FALSE(form.isVisible());
}

TEST(Form, PublishedMethodsAreFoundWithoutRegardToCase) {
    ProbeForm form;
    for (const char* name : {"Execute", "EXECUTE", "execute", "eXeCuTe"}) {
        const Form::Method* method = form.FindMethod(name);
        ASSERT_NE(method, nullptr) << name;
        Variant out;
        (*method)(Variant(name), out);
        EXPECT_EQ(out, Variant("ran"));
    }
    EXPECT_NE(form.FindMethod("dispinfo"), nullptr);
    EXPECT_EQ(form.FindMethod("Execute2"), nullptr);
    EXPECT_EQ(form.FindMethod("Exécute"), nullptr);  // only ASCII letters fold
}

// Deferred deletions run as they would once control is back in the event loop.
void RunDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Form, AFreeCloseDestroysTheFormOnceItsHandlerHasReturned) {
    QPointer<ProbeForm> form(new ProbeForm);
    form->closeAction = CloseAction::caFree;
    bool aliveAfterClose = false;
    form->onF3 = [&] {
        form->Close();
        aliveAfterClose = !form.isNull() && !form->isVisible();
    };
    form->show();
    QTest::keyClick(form->edits[0], Qt::Key_F3);
    EXPECT_TRUE(aliveAfterClose) << "hidden, and still there inside its own handler";
    RunDeferredDeletes();
    EXPECT_TRUE(form.isNull());
    delete form.data();
}

TEST(Form, AFreeCloseOfAModalFormLetsTheShowReturnItsResultFirst) {
    QPointer<ProbeForm> form(new ProbeForm);
    form->closeAction = CloseAction::caFree;
    QTimer::singleShot(0, form, [&] { form->Close(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(form->isVisible());
    RunDeferredDeletes();
    EXPECT_TRUE(form.isNull());
    delete form.data();
}

TEST(Form, AHeldFormIsOnlyHiddenByAFreeClose) {
    ProbeForm form;
    form.SetHeld(true);
    form.closeAction = CloseAction::caFree;
    form.show();
    form.Close();
    QTimer::singleShot(0, &form, [&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    RunDeferredDeletes();
    EXPECT_FALSE(form.isVisible());  // still here: the holder destroys it, at the end of the test
}
