#include "FormPayResult.h"

#include <QLabel>

#include "DialogLook.h"
#include "QzColors.h"

using namespace platform;

TForm_Pay_Result::TForm_Pay_Result(QWidget* owner)
    : TForm_Enter_Cancel(owner), PanelMsg(new QLabel(this)) {
    SetUpDialog(this, "支付结果", 734, 157, kClMoneyGreen);

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

void TForm_Pay_Result::EnterAct() {
    PromptResult = true;
    SetModalResult(mrOk);
}

void TForm_Pay_Result::CancelAct() {
    PromptResult = false;
    SetModalResult(mrCancel);
}
