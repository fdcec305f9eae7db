#pragma once

#include <string>

#include "Form.h"

class QLabel;
class QLineEdit;
class QTabWidget;

// The cashier's settings: the password page changes the signed-in cashier's password at the
// gateway; the hot-key page sets the hide/show, sign-out and cancel keys, which are stored by
// name and take effect everywhere as soon as they are saved. Left and Right switch the pages.
class TForm_More : public platform::Form {
public:
    explicit TForm_More(QWidget* owner);

    void ChangePassword(const std::string& OldPassword, const std::string& NewPassword);

protected:
    void FormKeyDown(int& Key) override;
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;

private:
    void BuildLayout();
    void ShowKeyTips();
    void editNewPswCfKeyDown(int& Key);
    void editCancleKeyKeyDown(int& Key);
    void SaveShortCuts(int& Key);

    QTabWidget* PageControl1;
    QLineEdit* editOldPsw;
    QLineEdit* editNewPsw;
    QLineEdit* editNewPswCf;
    QLineEdit* editHideShowKey;
    QLineEdit* editExitKey;
    QLineEdit* editCancleKey;
    QLabel* LabelTip01;
    QLabel* LabelTip02;
};
