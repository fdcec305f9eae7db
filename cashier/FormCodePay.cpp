#include "FormCodePay.h"

#include <QLabel>
#include <QLineEdit>

#include "PayAmount.h"
#include "PayCommon.h"
#include "PayLayout.h"
#include "QzColors.h"
#include "QzExternalAmount.h"
#include "QzFormRunner.h"
#include "QzHotKey.h"
#include "SignInCommon.h"
#include "UnitUnifiedOrder.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Code_Pay::TForm_Code_Pay(QWidget* owner) : Form(owner) {
    SetUpDialog(this, "扫码支付", 427, 216, kClWindow);
    QWidget* Panel1 = MakeTopBand(this, 427);
    Image1 = MakeBanner(Panel1, 427);
    Label2 = MakeBandTitle(Panel1, 427, "请输入支付金额");
    editMoney = MakePayEdit(this, "editMoney", "支付金额（元）", 112, 112);
    LabelTip = MakePayKeyTip(this, 160, 427);

    OnControlKeyDown(editMoney, [this](int& key) { editMoneyKeyDown(key); });
    OnControlKeyPress(editMoney, [this](char32_t& ch) { editMoneyKeyPress(ch); });
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
    FormCreate();
}

void TForm_Code_Pay::FormCreate() {
    LabelTip->setText(QString::fromStdString("输入完成按Enter生成支付二维码，取消按" +
                                             ShortCutSet.ShortCutCancel));
}

void TForm_Code_Pay::Execute(const Variant&, Variant&) {
    ShowModal();
}

void TForm_Code_Pay::FormShow() {
    ForceForegroundWhenShown(this);
    editMoney->setFocus();
    if (GetMyValueSet.IsUse) {
        LoadExternalAmount();
    }
}

void TForm_Code_Pay::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Code_Pay::FormKeyDown(int& key) {
    HandleFormShortCutKey(this, key, "editMoney", true);
}

void TForm_Code_Pay::LoadExternalAmount() {
    ::LoadExternalAmount(this, editMoney);
}

void TForm_Code_Pay::editMoneyKeyPress(char32_t& ch) {
    FilterAmountChar(editMoney, ch);
}

void TForm_Code_Pay::editMoneyKeyDown(int& key) {
    RefusePaste(key);
    if (key != VK_RETURN) {
        return;
    }
    if (TrimmedText(editMoney).empty()) {
        key = 0;
        editMoney->setFocus();
        ShowTip(this, "请输入支付金额!");
        return;
    }
    // A text that is no number raises here, before anything is sent.
    DoUnifiedOrder(YuanToFen(editMoney->text().toStdString()));
}

void TForm_Code_Pay::DoUnifiedOrder(const std::string& fen) {
    try {
        TUnifiedOrder order;
        SetCommonInputs(order);
        order.total_fee = fen;
        if (!BuildAndSend(this, order)) {
            return;
        }
        const int n = ResultCode(order.result);
        if (n == 0) {
            if (ShowPayCode(order.out_trade_no, order.prepay_id, order.code_url) == 0) {
                Close();
            }
        } else if (n < 0) {
            ShowTip(this, "扫码支付失败：" + order.errmsg);
        } else {
            ShowTip(this, "扫码支付失败：" + order.errmsg + "（" + order.errcode + "）");
        }
    } catch (const std::exception& e) {
        ReportCaughtError(this, e);
    }
}

int TForm_Code_Pay::ShowPayCode(const std::string& orderNo, const std::string& prepayId,
                                const std::string& codeUrl) {
    Variant result;
    RunRegisteredForm("TForm_Code_Pay_Detail", "Execute",
                      Variant(Variant::Strings{orderNo, prepayId, codeUrl}), result, true, true,
                      false, false);
    return result.AsInt();
}
