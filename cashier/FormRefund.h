#pragma once

#include <string>

#include "Form.h"

class QLabel;
class QLineEdit;
class TPlaceholderEdit;

// Applies for the refund of a payment: the amount in yuan, the order by its channel number or
// its merchant number, and the refund authorisation code (the store's super password). An
// accepted refund prints its receipt and closes the dialog; after any failure the dialog stays
// open with everything typed, for the cashier to correct and send again.
class TForm_Refund : public platform::Form {
public:
    explicit TForm_Refund(QWidget* owner);

    // Shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

    void DoRefund(const std::string& passTradeNo, const std::string& outTradeNo,
                  const std::string& refundFee, const std::string& refundPassword);

protected:
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void editRefundPswKeyDown(int& key);

    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* editRefundFee;
    QLineEdit* editPassTradeno;
    QLineEdit* editOutTradeno;
    QLineEdit* editRefundPsw;
    QLabel* LabelTip;
    TPlaceholderEdit* passTradenoHint;
    TPlaceholderEdit* outTradenoHint;
};
