#include "FormMicroPay.h"

#include <QLabel>
#include <QLineEdit>

#include "AmountEdit.h"
#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "PayAmount.h"
#include "QzHotKey.h"
#include "UnitMicroPay.h"
#include "UnitReverse.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

const TSuccessWording kMicroPayWording{"应付", "微信支付优惠", "实付"};
const TSuccessWording kQueryWording{"应付金额", "微信支付优惠", "实付金额"};

// What a business error of the micro pay reply asks for: the pay-result prompt (query or
// reverse), or a fresh payment code from the customer.
enum class TErrorAction { Prompt, NewCode };

struct TErrorCodeRule {
    const char* Code;
    TErrorAction Action;
    const char* Text;
};

const TErrorCodeRule kErrorCodeRules[] = {
    {"USERPAYING", TErrorAction::Prompt,
     "用户支付中（USERPAYING），按Enter查询支付结果，按ESC撤销订单并退出。"},
    {"SYSTEMERROR", TErrorAction::Prompt,
     "微信接口异常（SYSTEMERROR），按Enter查询支付结果，按ESC撤销订单并退出。"},
    {"BANKERROR", TErrorAction::Prompt,
     "银行系统异常（BANKERROR），按Enter查询支付结果，按ESC撤销订单并退出。"},
    {"AUTHCODEEXPIRE", TErrorAction::NewCode,
     "付款授权码已过期（AUTHCODEEXPIRE），请用户刷新后再试。"},
    {"NOTENOUGH", TErrorAction::NewCode, "用户余额不足（NOTENOUGH），请用户换卡支付。"},
    {"NOTSUPORTCARD", TErrorAction::NewCode,
     "用户该卡不支持当前支付（NOTSUPORTCARD），请用户换卡或绑新卡。"},
    {"AUTH_CODE_ERROR", TErrorAction::NewCode,
     "每个付款授权码仅限使用一次（AUTH_CODE_ERROR），请用户刷新后再试。"},
    {"AUTH_CODE_INVALID", TErrorAction::NewCode,
     "无效的用户付款授权码（AUTH_CODE_INVALID），请重新扫描或输入。"},
};

}  // namespace

TForm_Micro_Pay::TForm_Micro_Pay(QWidget* owner)
    : TForm_Amount_Entry(
          owner, {"刷卡支付", 252, "请输入支付金额和付款授权码", "支付金额(元)", 104, 196}) {
    editCode = MakeLabelledEdit(this, "editCode", "付款授权码", 112, 146, kPayEdit);
    setTabOrder(editMoney, editCode);

    OnControlKeyDown(editMoney, RefusePaste);
    OnControlKeyDown(editCode, [this](int& key) { editCodeKeyDown(key); });

    followUp_ = {kQueryWording, "系统返回错误，按Enter继续查询支付结果，按ESC撤销订单并退出。",
                 "用户支付中，按Enter继续查询支付结果，按ESC撤销订单并退出。",
                 [this](const std::string& orderNo) { ReverseOrder(orderNo); }};
    FormCreate();
}

void TForm_Micro_Pay::FormCreate() {
    LabelTip->setText(
        QString::fromStdString("输入完成按Enter，取消按" + ShortCutSet.ShortCutCancel));
}

void TForm_Micro_Pay::FormKeyDown(int& key) {
    HandleFormShortCutKey(this, key, "editCode", true);
}

void TForm_Micro_Pay::editCodeKeyDown(int& key) {
    if (key != VK_RETURN) {
        return;
    }
    if (!CheckRequiredEdits(this, key,
                            {{editMoney, "请输入支付金额!"}, {editCode, "请输入支付授权码!"}})) {
        return;
    }
    const std::string code = TrimmedText(editCode);
    // A text that is no number (only the cash-register window can give one) raises here,
    // before anything is sent, and reaches the application's error box.
    DoMicroPay(YuanToFen(editMoney->text().toStdString()), code);
}

void TForm_Micro_Pay::DoMicroPay(const std::string& fen, const std::string& code) {
    GuardDialogStep(this, [&] {
        TMicroPay pay;
        pay.total_fee = fen;
        pay.auth_code = code;
        switch (CallGateway(this, pay)) {
            case TCallOutcome::NoReply:
                return;
            case TCallOutcome::Success:
                ConfirmPayment(this, kMicroPayWording, pay.out_trade_no, pay.transaction_id,
                               pay.total_fee, pay.coupon_fee);
                return;
            case TCallOutcome::Failure:
                ShowTip(this, "支付失败：" + pay.errmsg);
                return;
            case TCallOutcome::BusinessError:
                break;
        }
        for (const TErrorCodeRule& rule : kErrorCodeRules) {
            if (pay.errcode != rule.Code) {
                continue;
            }
            if (rule.Action == TErrorAction::Prompt) {
                if (AskPayResult(rule.Text)) {
                    QueryPayResult(pay.out_trade_no);
                } else {
                    ReverseOrder(pay.out_trade_no);
                }
            } else {
                ShowTip(this, rule.Text);
                editCode->clear();
                editCode->setFocus();
            }
            return;
        }
        ShowTip(this, "支付失败：" + pay.errmsg);
    });
}

void TForm_Micro_Pay::QueryPayResult(const std::string& orderNo) {
    ::QueryPayResult(this, orderNo, followUp_);
}

void TForm_Micro_Pay::ReverseOrder(const std::string& orderNo) {
    GuardDialogStep(this, [&] {
        TReverse reverse;
        reverse.out_trade_no = orderNo;
        const TCallOutcome outcome = CallGateway(this, reverse);
        if (outcome == TCallOutcome::NoReply) {
            return;
        }
        if (outcome == TCallOutcome::Success) {
            ShowTip(this, "订单已经撤销。");
            Close();
        } else if (outcome == TCallOutcome::BusinessError && reverse.recall == "Y") {
            if (AskPayResult("系统接口异常，请按Enter再次发起订单撤销操作,按ESC退出。")) {
                ReverseOrder(orderNo);
            } else {
                Close();
            }
        } else {
            ShowTip(this, "订单撤销失败:" + reverse.errmsg);
        }
    });
}
