#pragma once

#include <string>

#include "FormAmountEntry.h"
#include "PayFollowUp.h"

class QLineEdit;

// Takes a payment from the customer's payment code: the amount in yuan (typed, or read from
// the cash-register window), the scanned code, Enter. A payment that does not settle at once
// is followed up by the cashier through the pay-result prompt: query again, or reverse.
class TForm_Micro_Pay : public TForm_Amount_Entry {
public:
    explicit TForm_Micro_Pay(QWidget* owner);

protected:
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void editCodeKeyDown(int& key);
    void DoMicroPay(const std::string& fen, const std::string& code);
    void QueryPayResult(const std::string& orderNo);
    void ReverseOrder(const std::string& orderNo);

    QLineEdit* editCode;
    TFollowUp followUp_;
};
