#pragma once

#include <string>

#include "HookTrayForm.h"

class QLabel;

// The client's main window and hub. Before it is first shown it has the store initialised and a
// cashier signed in; then it opens the eight operations by digit key or picture button, answers
// the sign-out and hide/show hot keys and keeps its icon in the tray. Closing it ends the program.
class TForm_Main : public THookTrayForm {
public:
    explicit TForm_Main(QWidget* owner);

    // Opens the sign-in dialog with this window hidden, then moves the hook here and shows the
    // window with the new cashier. Also the sign-out action.
    void SignIn();

    // The eight operations, by picture button or digit key.
    void imgMicroPayClick();
    void imgCodePayClick();
    void imgRefundClick();
    void imgRefundQueryClick();
    void imgTodayOrderClick();
    void imgTodayTotalClick();
    void imgPrintSetClick();
    void imgMoreClick();

protected:
    void FormKeyDown(int& Key) override;
    void FormShow() override;
    void HookKeyDown(const std::string& name) override;

private:
    void BuildLayout();
    void CheckStoreInitialised();
    void ShowCashierInfo();
    void ShowTipLine();
    void OpenDialog(const char* className);
    // The operation of the digit key 1 to 8.
    void ClickDigit(int digit);

    QLabel* lbSyyName;
    QLabel* PanelTip;
};
