#pragma once

#include <functional>
#include <string>

namespace platform {
class Form;
}

// What follows a payment once the gateway has answered: the success message and the receipt,
// and the query of an order that did not settle at once, asked again through the pay-result
// prompt for as long as the cashier wants.

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
