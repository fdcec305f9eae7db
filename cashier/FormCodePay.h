#pragma once

#include <string>

#include "FormAmountEntry.h"

// Takes a payment by a QR code the customer scans: the amount in yuan, Enter, a unified order,
// then the detail dialog with the code. Closes whenever the detail dialog has ended.
class TForm_Code_Pay : public TForm_Amount_Entry {
public:
    explicit TForm_Code_Pay(QWidget* owner);

protected:
    void FormKeyDown(int& key) override;

private:
    void FormCreate();
    void editMoneyKeyDown(int& key);
    void DoUnifiedOrder(const std::string& fen);
    int ShowPayCode(const std::string& orderNo, const std::string& prepayId,
                    const std::string& codeUrl);
};
