#pragma once

#include "Form.h"

class QLabel;
class QLineEdit;

// What the two dialogs that take money share: the banner band with its title, the amount edit
// in yuan with its key filter, the key hint, the amount read from the cash-register window when
// the dialog shows, and a modal Execute. Each dialog adds its own entries and its Enter.
class TForm_Amount_Entry : public platform::Form {
public:
    // Shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    struct TLayout {
        const char* Caption;
        int Height;
        const char* Title;
        const char* MoneyLabel;
        int MoneyTop;
        int TipTop;
    };
    TForm_Amount_Entry(QWidget* owner, const TLayout& layout);

    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;

    void LoadExternalAmount();

    QLabel* Image1;
    QLabel* Label2;
    QLineEdit* editMoney;
    QLabel* LabelTip;

private:
    void editMoneyKeyPress(char32_t& ch);
};
