#pragma once

#include "FormEnterCancel.h"

class QLabel;

// The yes/no prompt over a payment that did not settle: Enter answers true (query again, or
// try again), the cancel key or closing the window false.
class TForm_Pay_Result : public TForm_Enter_Cancel {
public:
    explicit TForm_Pay_Result(QWidget* owner);

    // in: the prompt text, shown as given; out: the Boolean answer.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    void EnterAct() override;
    void CancelAct() override;

private:
    QLabel* PanelMsg;
    bool PromptResult = false;
};
