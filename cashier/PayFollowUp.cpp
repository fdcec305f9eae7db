#include "PayFollowUp.h"

#include <cstdint>

#include "DialogMessages.h"
#include "Form.h"
#include "GatewayCall.h"
#include "PayAmount.h"
#include "QzFormRunner.h"
#include "QzPrint.h"
#include "Receipts.h"
#include "UnitOrderQuery.h"

using platform::Form;
using platform::Variant;

namespace {

std::string SuccessMessage(const TSuccessWording& wording, int64_t total, int64_t coupon) {
    return std::string("收款成功：") + wording.Total + FenToYuan(total) + "元," + wording.Coupon +
           FenToYuan(coupon) + "元," + wording.Paid + FenToYuan(total - coupon) + "元。";
}

}  // namespace

bool AskPayResult(const std::string& text) {
    Variant answer;
    RunRegisteredForm("TForm_Pay_Result", "Execute", Variant(text), answer, true, true, false,
                      false);
    return answer.AsBool();
}

void ConfirmPayment(Form* dialog, const TSuccessWording& wording, const std::string& orderNo,
                    const std::string& transactionId, const std::string& totalFee,
                    const std::string& couponFee) {
    const int64_t total = ReplyInteger(totalFee);
    const int64_t coupon = ReplyInteger(couponFee);
    ShowTip(dialog, SuccessMessage(wording, total, coupon));
    PrintReceipt(PaymentReceipt(orderNo, transactionId, total, coupon));
    dialog->Close();
}

void QueryPayResult(Form* dialog, const std::string& orderNo, const TFollowUp& followUp) {
    GuardDialogStep(dialog, [&] {
        TOrderQuery query;
        query.out_trade_no = orderNo;
        const TCallOutcome outcome = CallGateway(dialog, query);
        if (outcome == TCallOutcome::NoReply) {
            return;
        }

        // Pending again: the cashier decides whether to ask once more or to give up.
        auto askAgain = [&](const char* prompt) {
            if (AskPayResult(prompt)) {
                QueryPayResult(dialog, orderNo, followUp);
            } else {
                followUp.GiveUp(orderNo);
            }
        };

        if (outcome == TCallOutcome::Failure) {
            ShowTip(dialog, "查询支付结果失败：" + query.errmsg);
        } else if (outcome == TCallOutcome::BusinessError) {
            if (query.errcode == "ORDERNOTEXIST") {
                ShowTip(dialog, "此交易订单号不存在。");
            } else if (query.errcode == "SYSTEMERROR") {
                askAgain(followUp.SystemErrorPrompt);
            } else {
                ShowTip(dialog, "查询支付结果失败：" + query.errmsg);
            }
        } else {
            const std::string& state = query.trade_state;
            // The states that end the order: the message, then the dialog closes.
            auto finalState = [&](const char* text) {
                ShowTip(dialog, text);
                dialog->Close();
            };
            if (state == "SUCCESS") {
                ConfirmPayment(dialog, followUp.Success, orderNo, query.transaction_id,
                               query.total_fee, query.coupon_fee);
            } else if (state == "NOTPAY") {
                ShowTip(dialog, "用户未支付。");
            } else if (state == "CLOSED") {
                finalState("订单已关闭。");
            } else if (state == "REVOKED") {
                finalState("订单已撤销。");
            } else if (state == "USERPAYING") {
                askAgain(followUp.UserPayingPrompt);
            } else if (state == "NOPAY") {
                finalState("支付超时。");
            } else if (state == "PAYERROR") {
                finalState("支付失败。");
            } else {
                ShowTip(dialog, "支付状态未知，请联系系统管理人员。");
            }
        }
    });
}
