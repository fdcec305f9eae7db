#include "FormRefund.h"

#include <QLabel>
#include <QLineEdit>

#include "AmountEdit.h"
#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "PayAmount.h"
#include "PlaceholderEdit.h"
#include "QzColors.h"
#include "QzHotKey.h"
#include "QzPrint.h"
#include "QzRuntimeGlobal.h"
#include "Receipts.h"
#include "UnitRefund.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

constexpr int kWidth = 411;
constexpr int kHeight = 338;
constexpr int kEditLeft = 100;

QLabel* MakeNote(QWidget* dialog, const char* name, const char* text, int x, int y) {
    auto* note = new QLabel(QString::fromUtf8(text), dialog);
    note->setObjectName(name);
    note->setGeometry(x, y, kWidth - x - 8, 18);
    note->setTextFormat(Qt::PlainText);
    note->setFont(PixelFont("微软雅黑", 12));
    PaintPanel(note, Qt::transparent, Qt::red);
    note->setAutoFillBackground(false);
    return note;
}

}  // namespace

TForm_Refund::TForm_Refund(QWidget* owner) : Form(owner) {
    SetUpDialog(this, "退款申请", kWidth, kHeight, kClWindow);
    QWidget* Panel1 = MakeTopBand(this, kWidth);
    Image1 = MakeBanner(Panel1, kWidth);
    Label2 =
        MakeBandTitle(Panel1, kWidth, "请输入退款金额、通道订单号（或商户订单号）和退款授权码");
    Label2->setFont(PixelFont("微软雅黑", 14));
    Label3 =
        MakeNote(this, "Label3", "注：1. 通道订单号与商户订单号，只需要输入其中一项。", 16, 88);
    Label1 =
        MakeNote(this, "Label1", "2. 退款授权码即为门店超级密码，建议由店长保管和输入。", 40, 106);

    editRefundFee =
        MakeLabelledEdit(this, "editRefundFee", "退款金额(元)", kEditLeft, 132, kPayEdit);
    editPassTradeno =
        MakeLabelledEdit(this, "editPassTradeno", "通道订单号", kEditLeft, 166, kPayEdit);
    editOutTradeno =
        MakeLabelledEdit(this, "editOutTradeno", "商户订单号", kEditLeft, 200, kPayEdit);
    editRefundPsw = MakeLabelledEdit(this, "editRefundPsw", "退款授权码", kEditLeft, 234, kPayEdit);
    MaskWithStars(editRefundPsw);
    setTabOrder(editRefundFee, editPassTradeno);
    setTabOrder(editPassTradeno, editOutTradeno);
    setTabOrder(editOutTradeno, editRefundPsw);
    passTradenoHint =
        std::make_unique<TPlaceholderEdit>(editPassTradeno, "微信支付凭证中的“商户单号”");
    outTradenoHint =
        std::make_unique<TPlaceholderEdit>(editOutTradeno, "本软件打印的支付小票中的“商户订单号”");
    LabelTip = MakePayKeyTip(this, 300, kWidth);

    OnControlKeyPress(editRefundFee, [this](char32_t& ch) { FilterAmountChar(editRefundFee, ch); });
    OnControlKeyDown(editRefundFee, RefusePaste);
    OnControlKeyDown(editRefundPsw, [this](int& key) { editRefundPswKeyDown(key); });
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
    FormCreate();
}

TForm_Refund::~TForm_Refund() = default;

void TForm_Refund::FormCreate() {
    LabelTip->setText(
        QString::fromStdString("输入完成按Enter，取消按" + ShortCutSet.ShortCutCancel));
}

void TForm_Refund::Execute(const Variant&, Variant&) {
    ShowModal();
}

void TForm_Refund::FormShow() {
    BringToFrontWhenShown();
    editRefundFee->setFocus();
}

void TForm_Refund::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Refund::FormKeyDown(int& key) {
    HandleFormShortCutKey(this, key, "editRefundPsw", true);
}

void TForm_Refund::editRefundPswKeyDown(int& key) {
    if (key != VK_RETURN) {
        return;
    }
    const struct {
        bool missing;
        QLineEdit* edit;
        const char* message;
    } checks[] = {
        {TrimmedText(editRefundFee).empty(), editRefundFee, "请输入退款金额!"},
        {TrimmedText(editPassTradeno) == passTradenoHint->Placeholder().toStdString() &&
             TrimmedText(editOutTradeno) == outTradenoHint->Placeholder().toStdString(),
         editPassTradeno, "请输入通道订单号或商户订单号!"},
        {TrimmedText(editRefundPsw).empty(), editRefundPsw, "请输入退款授权码!"},
    };
    for (const auto& check : checks) {
        if (check.missing) {
            key = 0;
            check.edit->setFocus();
            ShowTip(this, check.message);
            return;
        }
    }
    // A text that is no number (a lone ".") raises here, before anything is sent, and reaches
    // the application's error box.
    DoRefund(passTradenoHint->Typed(), outTradenoHint->Typed(),
             YuanToFen(TrimmedText(editRefundFee)), TrimmedText(editRefundPsw));
}

void TForm_Refund::DoRefund(const std::string& passTradeNo, const std::string& outTradeNo,
                            const std::string& refundFee, const std::string& refundPassword) {
    GuardDialogStep(this, [&] {
        TRefund refund;
        refund.pass_trade_no = passTradeNo;
        refund.out_trade_no = outTradeNo;
        refund.refund_fee = refundFee;
        refund.super_pwd = refundPassword;
        switch (CallGateway(this, refund, TResultReading::Integer, "退款申请失败:")) {
            case TCallOutcome::NoReply:
                break;
            case TCallOutcome::Success:
                ShowTip(this, "退款申请提交成功。");
                PrintReceipt(RefundReceipt(refund));
                Close();
                break;
            case TCallOutcome::Failure:
            case TCallOutcome::BusinessError:
                ShowTip(this, "退款申请失败:" + refund.errmsg);
                break;
        }
    });
}
