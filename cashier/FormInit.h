#pragma once

#include <string>

#include "HookTrayForm.h"

class QLabel;
class QLineEdit;

// Sets the till up for a store: the gateway's address (kept in the configuration file at once),
// the store AppID and its super password, with which the merchant parameters are fetched and
// saved in the parameter file. Like the sign-in it cannot be cancelled, only hidden, and returns
// only after a successful initialisation.
class TForm_Init : public THookTrayForm {
public:
    explicit TForm_Init(QWidget* owner);

    // 0 initialised, -1 refused by the gateway, 1 any other failure (each with its box).
    int DoInitStore(const std::string& storeAppId, const std::string& superPassword);

protected:
    void FormKeyDown(int& Key) override;
    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;

private:
    void editSuperPswKeyDown(int& Key);

    QLineEdit* editServerAdr;
    QLineEdit* editStoreAppID;
    QLineEdit* editSuperPsw;
    QLabel* LabelTip;
    bool InitDone = false;
};
