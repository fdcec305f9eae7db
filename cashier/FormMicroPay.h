#pragma once

#include <string>

#include "Form.h"
#include "PayCommon.h"

class QLabel;
class QLineEdit;

// Takes a payment from the customer's payment code: the amount in yuan (typed, or read from
// the cash-register window), the scanned code, Enter. A payment that does not settle at once
// is followed up by the cashier through the pay-result prompt: query again, or reverse.
class TForm_Micro_Pay : public platform::Form {
public:
    explicit TForm_Micro_Pay(QWidget* owner);

    // Shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void editMoneyKeyPress(char32_t& ch);
    void editCodeKeyDown(int& key);

    void LoadExternalAmount();
    void DoMicroPay(const std::string& fen, const std::string& code);
    void QueryPayResult(const std::string& orderNo);
    void ReverseOrder(const std::string& orderNo);

    QLabel* Image1;
    QLabel* Label2;
    QLineEdit* editMoney;
    QLineEdit* editCode;
    QLabel* LabelTip;
    TFollowUp followUp_;
};
