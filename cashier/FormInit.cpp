#include "FormInit.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "QzColors.h"
#include "QzHotKey.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"
#include "UnitQueryStoreInfo.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Init::TForm_Init(QWidget* owner) : THookTrayForm(owner) {
    setObjectName("Form_Init");
    SetUpDialog(this, "系统初始化", 377, 252, kClWindow);
    MakeTitleBand(this, 377, "请输入服务器地址、门店AppID和超级密码");
    editServerAdr = MakeLabelledEdit(this, "editServerAdr", "服务器地址", 110, 96, kSignInEdit);
    editServerAdr->setStyleSheet(editServerAdr->styleSheet() + " QLineEdit { color: #808080; }");
    editStoreAppID = MakeLabelledEdit(this, "editStoreAppID", "门店AppID", 110, 128, kSignInEdit);
    editSuperPsw = MakeLabelledEdit(this, "editSuperPsw", "门店超级密码", 110, 160, kSignInEdit);
    MaskWithStars(editSuperPsw);
    setTabOrder(editServerAdr, editStoreAppID);
    setTabOrder(editStoreAppID, editSuperPsw);
    LabelTip = MakeSignInKeyTip(this, 200, 110 + kSignInEdit.Width);
    OnControlKeyDown(editSuperPsw, [this](int& Key) { editSuperPswKeyDown(Key); });
    Publish("Execute", [this](const Variant&, Variant&) { ShowModal(); });

    // FormCreate
    IsShown = true;
    InitDone = false;
    LabelTip->setText(
        QString::fromStdString("输入完成按Enter，隐藏/显示按" + ShortCutSet.ShortCutHideOrShow));
    editServerAdr->setText(QString::fromStdString(SystemSet.BaseUrl));
    AddTrayIcon();
    StartKeyHookHere();
}

void TForm_Init::FormShow() {
    editServerAdr->setFocus();
    BringToFrontWhenShown();
}

void TForm_Init::FormKeyDown(int& Key) {
    std::string name;
    KeyToShortCutText(Key, name);
    // The cancel key is not passed on: nothing but a successful initialisation ends this dialog.
    if (name != ShortCutSet.ShortCutCancel) {
        HandleFormShortCutKey(this, Key, "editSuperPsw", true);
    }
}

void TForm_Init::editSuperPswKeyDown(int& Key) {
    if (Key != VK_RETURN) {
        return;
    }
    if (!CheckRequiredEdits(this, Key,
                            {{editServerAdr, "请输入服务器地址!"},
                             {editStoreAppID, "请输入门店AppID!"},
                             {editSuperPsw, "请输入门店超级密码!"}})) {
        return;
    }
    // The address is kept whatever the query answers: the next attempt and the next start use it.
    SystemSet.BaseUrl = TrimmedText(editServerAdr);
    ConfigIni->WriteString("系统设置", "BaseUrl", SystemSet.BaseUrl);
    if (DoInitStore(TrimmedText(editStoreAppID), TrimmedText(editSuperPsw)) == 0) {
        InitDone = true;
        Close();
    }
}

int TForm_Init::DoInitStore(const std::string& storeAppId, const std::string& superPassword) {
    int answer = 1;
    GuardDialogStep(this, [&] {
        TQueryStoreInfo query;
        query.store_appid = storeAppId;
        query.super_pwd = superPassword;
        switch (CallGateway(this, query, TResultReading::TextZero)) {
            case TCallOutcome::NoReply:
                break;
            case TCallOutcome::Success:
                InterfacePRM.MchName = query.mch_name;
                InterfacePRM.MchID = query.mch_id;
                InterfacePRM.AppID = query.appid;
                InterfacePRM.Key = query.key;
                InterfacePRM.StoreName = query.store_name;
                InterfacePRM.StoreAppID = query.store_appid;
                // A store whose parameters cannot be kept would ask to be initialised again at
                // the next start: the cashier is told why, and may try again.
                WriteParameterFile();
                ShowTip(this, "系统初始化成功！");
                answer = 0;
                break;
            default:
                ShowTip(this,
                        "系统初始化失败：" + query.errmsg + "(Result=" + query.result + ")！");
                answer = -1;
                break;
        }
    });
    return answer;
}

void TForm_Init::FormClose(CloseAction& action) {
    if (!InitDone) {
        action = CloseAction::caNone;
        HideToTray();
    }
}
