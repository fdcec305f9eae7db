#include "FormLogin.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "QzColors.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "UnitSyyLogin.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Login::TForm_Login(QWidget* owner) : THookTrayForm(owner) {
    setObjectName("Form_Login");
    SetUpDialog(this, "登录", 336, 252, kClWindow);
    MakeTitleBand(this, 336, "请输入登录账号和密码");
    editUser = MakeLabelledEdit(this, "editUser", "账号", 66, 104, kSignInEdit);
    editPsw = MakeLabelledEdit(this, "editPsw", "密码", 66, 144, kSignInEdit);
    MaskWithStars(editPsw);
    setTabOrder(editUser, editPsw);
    LabelTip = MakeSignInKeyTip(this, 190, 66 + kSignInEdit.Width);
    OnControlKeyDown(editPsw, [this](int& Key) { editPswKeyDown(Key); });
    Publish("Execute", [this](const Variant&, Variant&) { ShowModal(); });

    // FormCreate
    IsShown = true;
    LoginDone = false;
    SyyInfo = TSyyInfo();  // the cashier before is signed out as soon as this dialog exists
    LabelTip->setText(
        QString::fromStdString("输入完成按Enter，隐藏/显示按" + ShortCutSet.ShortCutHideOrShow));
    AddTrayIcon();
    StartKeyHookHere();
}

void TForm_Login::FormShow() {
    editUser->setFocus();
    BringToFrontWhenShown();
}

void TForm_Login::FormKeyDown(int& Key) {
    std::string name;
    KeyToShortCutText(Key, name);
    // The cancel key is not passed on: nothing but a sign-in ends this dialog.
    if (name != ShortCutSet.ShortCutCancel) {
        HandleFormShortCutKey(this, Key, "editPsw", true);
    }
}

void TForm_Login::editPswKeyDown(int& Key) {
    if (Key != VK_RETURN) {
        return;
    }
    if (!CheckRequiredEdits(this, Key,
                            {{editUser, "请输入登录账号!"}, {editPsw, "请输入登录密码!"}})) {
        return;
    }
    if (DoLogin(TrimmedText(editUser), TrimmedText(editPsw)) == 0) {
        LoginDone = true;
        Close();
    }
}

int TForm_Login::DoLogin(const std::string& account, const std::string& password) {
    int answer = 1;
    GuardDialogStep(this, [&] {
        TSyyLogin login;
        login.syy_id = account;
        login.syy_pwd = password;
        switch (CallGateway(this, login, TResultReading::TextZero)) {
            case TCallOutcome::NoReply:
                break;
            case TCallOutcome::Success:
                SyyInfo.SyyID = login.syy_id;
                SyyInfo.SyyName = login.syy_name;
                answer = 0;
                break;
            default:
                ShowTip(this, "登录失败：" + login.errmsg + "(Result=" + login.result + ")");
                answer = -1;
                break;
        }
    });
    return answer;
}

void TForm_Login::FormClose(CloseAction& action) {
    if (!LoginDone) {
        action = CloseAction::caNone;
        HideToTray();
    }
}
