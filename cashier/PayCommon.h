#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Form.h"
#include "GatewayRequest.h"
#include "QzRuntimeGlobal.h"

class QLineEdit;
class QWidget;

// What the micro pay and code pay dialogs share: the amount edit's keys, the way they call the
// gateway, the follow-up query of an order that did not settle at once, and the payment
// receipt.

// The amount edits' character filter (AmountCharAllowed): a refused character becomes 0. Tab
// and Delete pass untouched: to the edits the tills were built on they are keys, not
// characters.
void FilterAmountChar(const QLineEdit* edit, char32_t& ch);

// Ctrl+V would paste past the character filter; the filter refuses its control character, so
// the key is dropped (key := 0).
void RefusePaste(int& key);

// The amount due read from the cash-register program's window into the amount edit, when it
// reads as an amount the edit would accept.
void LoadExternalAmount(platform::Form* dialog, QLineEdit* editMoney);

// A validation message or a gateway result, under "提示".
void ShowTip(QWidget* owner, const std::string& text);

// The four inputs every payment request carries: the store and the signed-in cashier.
template <typename TRequest>
void SetCommonInputs(TRequest& request) {
    request.appid = InterfacePRM.AppID;
    request.mch_id = InterfacePRM.MchID;
    request.store_appid = InterfacePRM.StoreAppID;
    request.syy_id = SyyInfo.SyyID;
}

// BuildRequest, then SendRequest; when either fails its ErrorMsg is shown under "提示" and the
// answer is false.
bool BuildAndSend(QWidget* owner, TGatewayRequest& request);

// The reply's result as an integer (0 success, below 0 failure, above 0 business error).
// Raises Exception when it is no integer.
int ResultCode(const std::string& result);

// Asks the cashier through the pay-result prompt: true for Enter (query or try again), false
// when the prompt was cancelled or closed.
bool AskPayResult(const std::string& text);

// The wording of a success message: "收款成功：" Total A "元," Coupon C "元," Paid P "元。".
struct TSuccessWording {
    const char* Total;
    const char* Coupon;
    const char* Paid;
};

// The settled payment: its success message, then the thirteen-line payment receipt, then the
// dialog closes. Raises before anything is shown when an amount is no integer.
void ConfirmPayment(platform::Form* dialog, const TSuccessWording& wording,
                    const std::string& orderNo, const std::string& transactionId,
                    const std::string& totalFee, const std::string& couponFee);

// How a dialog words the follow-up query and what it does when the cashier gives up on an
// order (reverse it, or close it).
struct TFollowUp {
    TSuccessWording Success;
    const char* SystemErrorPrompt;
    const char* UserPayingPrompt;
    std::function<void(const std::string& orderNo)> GiveUp;
};

// One order query and the dialog's answer to it; asks again, through the prompt, for as long
// as the cashier presses Enter while the order is pending. Errors are logged and shown.
void QueryPayResult(platform::Form* dialog, const std::string& orderNo, const TFollowUp& followUp);
