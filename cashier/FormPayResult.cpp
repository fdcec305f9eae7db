#include "FormPayResult.h"

#include <QLabel>

#include "DialogLook.h"
#include "QzColors.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Pay_Result::TForm_Pay_Result(QWidget* owner) : Form(owner), PanelMsg(new QLabel(this)) {
    SetUpDialog(this, "支付结果", 734, 157, kClMoneyGreen);
    // No control takes the focus: the keys go to the form itself.
    setFocusPolicy(Qt::StrongFocus);

    PanelMsg->setObjectName("PanelMsg");
    PanelMsg->setGeometry(0, 0, 734, 157);
    PanelMsg->setAlignment(Qt::AlignCenter);
    PanelMsg->setTextFormat(Qt::PlainText);
    PanelMsg->setFont(PixelFont("微软雅黑", 14));
    PaintPanel(PanelMsg, kClHighlight, Qt::white);

    PromptResult = false;
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
}

void TForm_Pay_Result::Execute(const Variant& in, Variant& out) {
    PromptResult = false;
    PanelMsg->setText(QString::fromStdString(in.AsString()));
    ShowModal();
    out = PromptResult;
}

void TForm_Pay_Result::FormShow() {
    BringToFrontWhenShown();
    setFocus();
}

void TForm_Pay_Result::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Pay_Result::FormKeyDown(int& key) {
    std::string name;
    KeyToShortCutText(key, name);
    if (name == ShortCutSet.ShortCutCancel) {
        key = 0;
        PromptResult = false;
        SetModalResult(mrCancel);
    } else if (key == VK_RETURN) {
        key = 0;
        PromptResult = true;
        SetModalResult(mrOk);
    }
}
