#pragma once

#include "Form.h"

// The dialogs the cashier answers with two keys: Enter does the dialog's act, the cancel hot key
// its cancel act (closing, unless the dialog does something else); both keys are consumed, every
// other key goes on. Such a dialog comes to the front when shown and is freed once closed. The
// form itself takes the focus, and so the keys, unless the dialog hands them to a control.
class TForm_Enter_Cancel : public platform::Form {
protected:
    explicit TForm_Enter_Cancel(QWidget* owner);

    virtual void EnterAct() = 0;
    virtual void CancelAct() { Close(); }
    // The control that has the focus once the dialog shows; the form itself by default.
    virtual QWidget* FocusOnShow() { return this; }

    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;
};
