#pragma once

#include <string>

#include "Form.h"

class QLabel;
class QLineEdit;

// Takes a payment by a QR code the customer scans: the amount in yuan, Enter, a unified order,
// then the detail dialog with the code. Closes whenever the detail dialog has ended.
class TForm_Code_Pay : public platform::Form {
public:
    explicit TForm_Code_Pay(QWidget* owner);

    // Shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void editMoneyKeyDown(int& key);
    void editMoneyKeyPress(char32_t& ch);

    void LoadExternalAmount();
    void DoUnifiedOrder(const std::string& fen);
    int ShowPayCode(const std::string& orderNo, const std::string& prepayId,
                    const std::string& codeUrl);

    QLabel* Image1;
    QLabel* Label2;
    QLineEdit* editMoney;
    QLabel* LabelTip;
};
