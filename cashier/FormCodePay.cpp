#include "FormCodePay.h"

#include <QLabel>
#include <QLineEdit>

#include "AmountEdit.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "PayAmount.h"
#include "QzFormRunner.h"
#include "QzHotKey.h"
#include "UnitUnifiedOrder.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Code_Pay::TForm_Code_Pay(QWidget* owner)
    : TForm_Amount_Entry(owner, {"扫码支付", 216, "请输入支付金额", "支付金额（元）", 112, 160}) {
    OnControlKeyDown(editMoney, [this](int& key) { editMoneyKeyDown(key); });
    FormCreate();
}

void TForm_Code_Pay::FormCreate() {
    LabelTip->setText(QString::fromStdString("输入完成按Enter生成支付二维码，取消按" +
                                             ShortCutSet.ShortCutCancel));
}

void TForm_Code_Pay::FormKeyDown(int& key) {
    HandleFormShortCutKey(this, key, "editMoney", true);
}

void TForm_Code_Pay::editMoneyKeyDown(int& key) {
    RefusePaste(key);
    if (key != VK_RETURN) {
        return;
    }
    if (!CheckRequiredEdits(this, key, {{editMoney, "请输入支付金额!"}})) {
        return;
    }
    // A text that is no number raises here, before anything is sent.
    DoUnifiedOrder(YuanToFen(editMoney->text().toStdString()));
}

void TForm_Code_Pay::DoUnifiedOrder(const std::string& fen) {
    GuardDialogStep(this, [&] {
        TUnifiedOrder order;
        order.total_fee = fen;
        switch (CallGateway(this, order)) {
            case TCallOutcome::NoReply:
                break;
            case TCallOutcome::Success:
                if (ShowPayCode(order.out_trade_no, order.prepay_id, order.code_url) == 0) {
                    Close();
                }
                break;
            case TCallOutcome::Failure:
                ShowTip(this, "扫码支付失败：" + order.errmsg);
                break;
            case TCallOutcome::BusinessError:
                ShowTip(this, "扫码支付失败：" + order.errmsg + "（" + order.errcode + "）");
                break;
        }
    });
}

int TForm_Code_Pay::ShowPayCode(const std::string& orderNo, const std::string& prepayId,
                                const std::string& codeUrl) {
    Variant result;
    RunRegisteredForm("TForm_Code_Pay_Detail", "Execute",
                      Variant(Variant::Strings{orderNo, prepayId, codeUrl}), result, true, true,
                      false, false);
    return result.AsInt();
}
