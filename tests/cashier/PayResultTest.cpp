#include <QLabel>

#include "PayDialogFixture.h"

using namespace platform;

namespace {

class PayResultPrompt : public PayDialogFixture {
protected:
    Variant Ask(const std::string& text, std::function<void(Form&)> cashier) {
        Then("支付结果", std::move(cashier));
        return Run("TForm_Pay_Result", Variant(text));
    }
};

}  // namespace

TEST_F(PayResultPrompt, EnterAnswersTrueTheCancelKeyAndClosingFalse) {
    EXPECT_EQ(Ask("q", [](Form& f) { Press(f, Qt::Key_Return); }), Variant(true));
    EXPECT_EQ(Ask("q", [](Form& f) { Press(f, Qt::Key_Enter, Qt::KeypadModifier); }),
              Variant(true));
    EXPECT_EQ(Ask("q", [](Form& f) { Press(f, Qt::Key_Escape); }), Variant(false));
    EXPECT_EQ(Ask("q", [](Form& f) { f.Close(); }), Variant(false));
}

TEST_F(PayResultPrompt, OtherKeysLeaveItOpen) {
    Variant answer = Ask("q", [](Form& f) {
        for (int key :
             {Qt::Key_A, Qt::Key_Up, Qt::Key_Down, Qt::Key_Space, Qt::Key_F2, Qt::Key_1}) {
            Press(f, key);
            EXPECT_TRUE(f.isVisible()) << key;
        }
        Press(f, Qt::Key_Return);
    });
    EXPECT_EQ(answer, Variant(true));
}

TEST_F(PayResultPrompt, OnlyTheConfiguredCancelKeyCancels) {
    ShortCutSet.ShortCutCancel = "F2";
    EXPECT_EQ(Ask("q",
                  [](Form& f) {
                      Press(f, Qt::Key_Escape);
                      EXPECT_TRUE(f.isVisible());
                      Press(f, Qt::Key_F2);
                  }),
              Variant(false));
    ShortCutSet.ShortCutCancel = "CTRL+Q";
    EXPECT_EQ(Ask("q",
                  [](Form& f) {
                      Press(f, Qt::Key_Q);
                      EXPECT_TRUE(f.isVisible());
                      Press(f, Qt::Key_Q, Qt::ControlModifier);
                  }),
              Variant(false));
}

TEST_F(PayResultPrompt, ShowsTheTextExactlyAsGiven) {
    ShortCutSet.ShortCutCancel = "F2";
    const std::string text =
        "用户支付中，按Enter继续查询支付结果，按ESC撤销订单并退出。<b>&amp;</b>";
    Ask(text, [&](Form& f) {
        EXPECT_EQ(f.size(), QSize(734, 157));
        auto* panel = f.findChild<QLabel*>("PanelMsg");
        EXPECT_EQ(panel->text().toStdString(), text);
        EXPECT_EQ(panel->textFormat(), Qt::PlainText);
        EXPECT_EQ(panel->geometry(), QRect(0, 0, 734, 157));
        Press(f, Qt::Key_Return);
    });
}
