#pragma once

#include <string>

#include "HookTrayForm.h"

class QLabel;
class QLineEdit;

// The cashier's sign-in. It cannot be cancelled: the close button only hides it, and Execute
// returns only after the gateway accepted the account and password, which fills SyyInfo. While it
// is open it has its own tray icon and holds the keyboard hook; its hide/show key toggles.
class TForm_Login : public THookTrayForm {
public:
    explicit TForm_Login(QWidget* owner);

    // 0 signed in, -1 refused by the gateway, 1 any other failure (each with its box).
    int DoLogin(const std::string& account, const std::string& password);

protected:
    void FormKeyDown(int& Key) override;
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;

private:
    void editPswKeyDown(int& Key);

    QLineEdit* editUser;
    QLineEdit* editPsw;
    QLabel* LabelTip;
    bool LoginDone = false;
};
