#include "FormLogin.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>

#include "MessageBox.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "SignInCommon.h"
#include "UnitSyyLogin.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Login::TForm_Login(QWidget* owner) : THookTrayForm(owner) {
    setObjectName("Form_Login");
    SetUpSignInDialog(this, "登录", 336, 252);
    MakeTitleBand(this, 336, "请输入登录账号和密码");
    editUser = MakeLabelledEdit(this, "editUser", "账号", 66, 104);
    editPsw = MakeLabelledEdit(this, "editPsw", "密码", 66, 144);
    editPsw->setEchoMode(QLineEdit::Password);
    setTabOrder(editUser, editPsw);
    LabelTip = MakeKeyTip(this, 190, 66 + 250);
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
    const std::string account = TrimmedText(editUser);
    const std::string password = TrimmedText(editPsw);
    if (account.empty()) {
        Key = 0;
        editUser->setFocus();
        MessageBoxA(this, "请输入登录账号!", "提示", MB_ICONINFORMATION);
        return;
    }
    if (password.empty()) {
        Key = 0;
        editPsw->setFocus();
        MessageBoxA(this, "请输入登录密码!", "提示", MB_ICONINFORMATION);
        return;
    }
    if (DoLogin(account, password) == 0) {
        LoginDone = true;
        Close();
    }
}

int TForm_Login::DoLogin(const std::string& account, const std::string& password) {
    try {
        TSyyLogin login;
        login.appid = InterfacePRM.AppID;
        login.mch_id = InterfacePRM.MchID;
        login.store_appid = InterfacePRM.StoreAppID;
        login.syy_id = account;
        login.syy_pwd = password;
        if (!login.BuildRequest() || !login.SendRequest()) {
            MessageBoxA(this, login.ErrorMsg, "提示", MB_ICONINFORMATION);
            return 1;
        }
        if (login.result == "0") {
            SyyInfo.SyyID = login.syy_id;
            SyyInfo.SyyName = login.syy_name;
            return 0;
        }
        MessageBoxA(this, "登录失败：" + login.errmsg + "(Result=" + login.result + ")", "提示",
                    MB_ICONINFORMATION);
        return -1;
    } catch (const std::exception& e) {
        ReportCaughtError(this, e);
        return 1;
    }
}

void TForm_Login::FormClose(CloseAction& action) {
    if (!LoginDone) {
        action = CloseAction::caNone;
        HideToTray();
    }
}
