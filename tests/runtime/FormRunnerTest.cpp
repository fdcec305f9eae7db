#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "FormPub_Logo.h"
#include "QzErrors.h"
#include "QzFormRunner.h"

namespace {

int liveForms = 0;
int shownModal = 0;

class TForm_Probe : public Form {
public:
    explicit TForm_Probe(QWidget* owner) : Form(owner) {
        ++liveForms;
        Publish("Execute", [](const Variant& in, Variant& out) {
            if (in.AsString() == "fail")
                throw Exception("dialog failed");
            if (in.AsString() == "silent")
                return;
            out = Variant(Variant::Strings{"got", in.AsString()});
        });
    }
    ~TForm_Probe() override { --liveForms; }
    void showEvent(QShowEvent* e) override {
        Form::showEvent(e);
        ++shownModal;
        QTimer::singleShot(0, this, [this] { SetModalResult(platform::mrOk); });
    }
};

// A dialog that closes itself from inside its modal show and asks to be freed.
class TForm_Freeing : public Form {
public:
    explicit TForm_Freeing(QWidget* owner) : Form(owner) {
        ++liveForms;
        Publish("Execute", [this](const Variant&, Variant& out) {
            QTimer::singleShot(0, this, [this] { Close(); });
            out = Variant(ShowModal() == platform::mrCancel);
        });
    }
    ~TForm_Freeing() override { --liveForms; }

protected:
    void FormClose(platform::CloseAction& action) override {
        action = platform::CloseAction::caFree;
    }
};

class TForm_Broken : public Form {
public:
    explicit TForm_Broken(QWidget* owner) : Form(owner) { throw std::runtime_error("no"); }
};

class FormRunner : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFormClass<TForm_Probe>("TForm_Probe");
        RegisterFormClass<TForm_Broken>("TForm_Broken");
        RegisterFormClass<TForm_Freeing>("TForm_Freeing");
        liveForms = 0;
        shownModal = 0;
    }
    void TearDown() override {
        UnRegisterClass("TForm_Probe");
        UnRegisterClass("TForm_Broken");
        UnRegisterClass("TForm_Freeing");
        EXPECT_EQ(liveForms, 0) << "every form is destroyed";
    }
    std::string Message(const std::string& cls, const std::string& method) {
        Variant out("untouched");
        try {
            RunRegisteredForm(cls, method, Variant(), out, true, true, false, false);
        } catch (const Exception& e) {
            EXPECT_EQ(out, Variant("untouched"));
            return e.what();
        }
        return "no error";
    }
};

}  // namespace

TEST_F(FormRunner, FindsClassAndMethodWithoutRegardToCase) {
    Variant out;
    auto form =
        RunRegisteredForm("  tform_probe ", "EXECUTE", Variant("x"), out, true, true, false, false);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(out, Variant(Variant::Strings{"got", "x"}));
}

TEST_F(FormRunner, RaisesItsThreeMessages) {
    EXPECT_EQ(Message(" tform_nothing ", "Execute"), "[TFORM_NOTHING]类不存在!");
    EXPECT_EQ(Message("tform_broken", "Execute"), "[TFORM_BROKEN]类创建失败!");
    EXPECT_EQ(Message("tForm_Probe", " run Me"), "[TFORM_PROBE]类中不存在[ run Me]模块!");
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0) << "no window left behind";
}

TEST_F(FormRunner, MethodFailurePassesUnchangedAndLeavesOutParam) {
    Variant out("before");
    try {
        RunRegisteredForm("TForm_Probe", "Execute", Variant("fail"), out, true, true, false, false);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "dialog failed");
    }
    EXPECT_EQ(out, Variant("before"));
}

TEST_F(FormRunner, SilentMethodLeavesResultUnassignedAndSameVariantWorksBothWays) {
    Variant out("before");
    RunRegisteredForm("TForm_Probe", "Execute", Variant("silent"), out, true, true, false, false);
    EXPECT_TRUE(out.IsUnassigned());
    Variant both("me");
    RunRegisteredForm("TForm_Probe", "Execute", both, both, true, true, false, false);
    EXPECT_EQ(both, Variant(Variant::Strings{"got", "me"}));
}

TEST_F(FormRunner, WithoutCallOrShowTheFormIsOnlyMadeAndFreed) {
    Variant out("kept");
    RunRegisteredForm("TForm_Probe", "no such method", Variant(), out, true, false, false, false);
    EXPECT_EQ(out, Variant("kept"));
    EXPECT_EQ(shownModal, 0);
    RunRegisteredForm("TForm_Probe", "Execute", Variant("silent"), out, true, true, false, true);
    EXPECT_EQ(shownModal, 1);
    auto kept = RunRegisteredForm("TForm_Probe", "", Variant(), out, false, false, false, false);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(liveForms, 1);
}

TEST_F(FormRunner, AFormThatAsksToBeFreedIsDestroyedOnceByTheRunner) {
    Variant out;
    RunRegisteredForm("TForm_Freeing", "Execute", Variant(), out, true, true, false, false);
    EXPECT_EQ(out, Variant(true));
    EXPECT_EQ(liveForms, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(liveForms, 0) << "destroyed once, not a second time";
}

TEST(PubLogo, FreesItselfWhenClosed) {
    QPointer<TForm_Pub_Logo> logo(new TForm_Pub_Logo(nullptr));
    logo->Close();
    EXPECT_FALSE(logo.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(logo.isNull());
    delete logo.data();
}

TEST(PubLogo, DispInfoShowsTextForASecondUnlessClose) {
    TForm_Pub_Logo logo(nullptr);
    EXPECT_TRUE(logo.isVisible());
    EXPECT_EQ(logo.size(), QSize(358, 44));
    auto* label = logo.findChild<QLabel*>("lblInfo");
    ASSERT_NE(label, nullptr);
    const Form::Method* dispInfo = logo.FindMethod("DISPINFO");
    ASSERT_NE(dispInfo, nullptr);
    Variant out;
    QElapsedTimer timer;
    timer.start();
    (*dispInfo)(Variant("CLOSE"), out);
    EXPECT_LT(timer.elapsed(), 900);  // no wait at all, with room for a loaded machine
    EXPECT_EQ(label->text(), "");
    (*dispInfo)(Variant("正在升级"), out);
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_EQ(label->text(), "正在升级");
}
