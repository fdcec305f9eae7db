#pragma once

#include <string>

#include "Form.h"
#include "PayFollowUp.h"

class QLabel;

// Shows the QR code of a unified order. Enter queries the order once, the cancel key closes it
// at the gateway; the pay-result prompt follows up a pending order.
class TForm_Code_Pay_Detail : public platform::Form {
public:
    explicit TForm_Code_Pay_Detail(QWidget* owner);

    // in: the order number, the prepay identifier and the payment URL; out: 0, however the
    // dialog ended. Not shown when the QR picture cannot be made.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void ShowQRCode();
    void QueryPayResult(const std::string& orderNo);
    void CloseOrder(const std::string& orderNo);

    QLabel* Label1;
    QLabel* LabelTip;
    QLabel* ImageCode;
    std::string OrderNo;
    std::string CodeUrl;
    int CodePayResult = 0;
    TFollowUp followUp_;
};
