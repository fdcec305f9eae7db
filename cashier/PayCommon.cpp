#include "PayCommon.h"

#include <QLineEdit>

#include <ctime>

#include "MessageBox.h"
#include "PayAmount.h"
#include "QzExternalAmount.h"
#include "QzFormRunner.h"
#include "QzPrint.h"
#include "SignInCommon.h"
#include "UnitOrderQuery.h"
#include "VirtualKeys.h"

using platform::Form;

namespace {

std::string PrintTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

std::string SuccessMessage(const TSuccessWording& wording, int64_t total, int64_t coupon) {
    return std::string("收款成功：") + wording.Total + FenToYuan(total) + "元," + wording.Coupon +
           FenToYuan(coupon) + "元," + wording.Paid + FenToYuan(total - coupon) + "元。";
}

std::string PaymentReceipt(const std::string& orderNo, const std::string& transactionId,
                           int64_t totalFee, int64_t couponFee) {
    const std::string lines[] = {
        "          微信支付小票",
        "",
        "所属商户:" + InterfacePRM.MchName,
        "门店名称:" + InterfacePRM.StoreName,
        "收银员编号:" + SyyInfo.SyyID,
        "",
        "商户订单号:" + orderNo,
        "微信订单号:" + transactionId,
        "应付金额:" + FenToYuan(totalFee) + "元",
        "微信支付优惠:" + FenToYuan(couponFee) + "元",
        "实付金额:" + FenToYuan(totalFee - couponFee) + "元",
        "",
        "打印时间:" + PrintTime(),
    };
    std::string receipt;
    for (const std::string& line : lines) {
        receipt += line + "\r\n";
    }
    return receipt;
}

}  // namespace

void FilterAmountChar(const QLineEdit* edit, char32_t& ch) {
    if (ch == U'\t' || ch == 0x7F) {
        return;
    }
    if (!AmountCharAllowed(edit->text().toStdString(), ch)) {
        ch = 0;
    }
}

void RefusePaste(int& key) {
    if (key == 'V' && (platform::GetKeyState(platform::VK_CONTROL) & 0x8000)) {
        key = 0;
    }
}

void LoadExternalAmount(platform::Form* dialog, QLineEdit* editMoney) {
    std::string amount;
    GetExternalAmount(dialog, GetMyValueSet.Title, GetMyValueSet.Order, GetMyValueSet.ClassName,
                      amount);
    if (IsAmountText(amount) && ExternalAmountAccepted(amount)) {
        editMoney->setText(QString::fromStdString(amount));
    }
}

void ShowTip(QWidget* owner, const std::string& text) {
    platform::MessageBoxA(owner, text, "提示", platform::MB_ICONINFORMATION);
}

bool BuildAndSend(QWidget* owner, TGatewayRequest& request) {
    if (!request.BuildRequest() || !request.SendRequest()) {
        ShowTip(owner, request.ErrorMsg);
        return false;
    }
    return true;
}

int ResultCode(const std::string& result) {
    return ReplyInteger(result);
}

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
    try {
        TOrderQuery query;
        SetCommonInputs(query);
        query.out_trade_no = orderNo;
        if (!BuildAndSend(dialog, query)) {
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

        const int n = ResultCode(query.result);
        if (n < 0) {
            ShowTip(dialog, "查询支付结果失败：" + query.errmsg);
        } else if (n > 0) {
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
    } catch (const std::exception& e) {
        ReportCaughtError(dialog, e);
    }
}
