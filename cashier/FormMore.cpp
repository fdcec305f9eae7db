#include "FormMore.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "GatewayCall.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "UnitSyyUpdPwd.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

constexpr int kWidth = 409;
constexpr int kHeight = 310;
constexpr int kBandHeight = 80;
constexpr int kEditLeft = 130;
constexpr int kEditTop = 24;
constexpr int kEditPitch = 36;
constexpr int kPasswordPage = 0;

constexpr const char* kConflict = "此快捷键有冲突，请重新设置!";

// The keys with which the main window opens its eight functions and the updater: the
// hide/show and sign-out keys may not take them without a modifier.
bool ClashesWithMainWindow(int key) {
    return key == VK_UP || (key >= '1' && key <= '8');
}

// The keys typed into the dialogs' edits, the keypad and F1 to F11 among them: the cancel key
// may not take them without a modifier. Keypad 0 and F12 stay free.
bool ClashesWithEntry(int key) {
    return key == VK_DELETE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
           (key >= VK_NUMPAD0 + 1 && key <= VK_F1 + 10);
}

// A hot-key edit takes the name of the key pressed, never the characters typed.
void CaptureKey(QWidget* owner, QLineEdit* edit, int& Key, bool (*clashes)(int)) {
    if (!IsModifierKeyDown() && clashes(Key)) {
        ShowTip(owner, kConflict);
        Key = 0;
        return;
    }
    std::string name;
    KeyToShortCutText(Key, name);
    edit->setText(QString::fromStdString(name));
    Key = 0;
}

QWidget* AddPage(QTabWidget* pages, const char* name, const char* caption) {
    auto* page = new QWidget;
    page->setObjectName(name);
    pages->addTab(page, QString::fromUtf8(caption));
    return page;
}

QLineEdit* MakePageEdit(QWidget* page, const char* name, const char* label, int row) {
    return MakeLabelledEdit(page, name, label, kEditLeft, kEditTop + row * kEditPitch, kSignInEdit);
}

QLineEdit* MakeKeyEdit(QWidget* page, const char* name, const char* label, int row) {
    QLineEdit* edit = MakePageEdit(page, name, label, row);
    // Nothing but a key name may land in it: no pasting, no dropping.
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setAcceptDrops(false);
    return edit;
}

QLabel* MakePageTip(QWidget* page, const char* name) {
    QLabel* tip =
        MakeSignInKeyTip(page, kEditTop + 3 * kEditPitch + 4, kEditLeft + kSignInEdit.Width);
    tip->setObjectName(name);
    return tip;
}

}  // namespace

TForm_More::TForm_More(QWidget* owner) : Form(owner) {
    setObjectName("Form_More");
    BuildLayout();
    Publish("Execute", [this](const Variant&, Variant&) { ShowModal(); });

    // FormCreate
    ShowKeyTips();
}

void TForm_More::BuildLayout() {
    SetUpDialog(this, "更多", kWidth, kHeight, Qt::white);
    QWidget* band = MakeTopBand(this, kWidth);
    MakeBanner(band, kWidth);
    // A note, not a title: smaller than the other dialogs' titles, so that it fits the band.
    MakeBandTitle(band, kWidth, "注：按左右方向键，可在下列功能间作切换操作。")
        ->setFont(PixelFont("微软雅黑", 14));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(0, kBandHeight, kWidth, kHeight - kBandHeight);
    // The pages change by the arrow keys only; the tabs never take the focus from the edits.
    PageControl1->setFocusPolicy(Qt::NoFocus);
    PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);

    QWidget* password = AddPage(PageControl1, "TabSheet1", "密码修改");
    editOldPsw = MakePageEdit(password, "editOldPsw", "请输入原始密码", 0);
    editNewPsw = MakePageEdit(password, "editNewPsw", "请输入新密码", 1);
    editNewPswCf = MakePageEdit(password, "editNewPswCf", "再次输入新密码", 2);
    for (QLineEdit* edit : {editOldPsw, editNewPsw, editNewPswCf}) {
        MaskWithStars(edit);
    }
    LabelTip01 = MakePageTip(password, "LabelTip01");

    QWidget* shortCuts = AddPage(PageControl1, "TabSheet2", "快捷键设置");
    editHideShowKey = MakeKeyEdit(shortCuts, "editHideShowKey", "主界面隐藏/显示", 0);
    editExitKey = MakeKeyEdit(shortCuts, "editExitKey", "主界面签退", 1);
    editCancleKey = MakeKeyEdit(shortCuts, "editCancleKey", "取消操作", 2);
    LabelTip02 = MakePageTip(shortCuts, "LabelTip02");

    setTabOrder(editOldPsw, editNewPsw);
    setTabOrder(editNewPsw, editNewPswCf);
    setTabOrder(editNewPswCf, editHideShowKey);
    setTabOrder(editHideShowKey, editExitKey);
    setTabOrder(editExitKey, editCancleKey);

    OnControlKeyDown(editNewPswCf, [this](int& Key) { editNewPswCfKeyDown(Key); });
    OnControlKeyDown(editHideShowKey, [this](int& Key) {
        CaptureKey(this, editHideShowKey, Key, ClashesWithMainWindow);
    });
    OnControlKeyDown(editExitKey, [this](int& Key) {
        CaptureKey(this, editExitKey, Key, ClashesWithMainWindow);
    });
    OnControlKeyDown(editCancleKey, [this](int& Key) { editCancleKeyKeyDown(Key); });
    auto dropAll = [](char32_t& ch) { ch = 0; };
    OnControlKeyPress(editHideShowKey, dropAll);
    OnControlKeyPress(editExitKey, dropAll);
    OnControlKeyPress(editCancleKey, [](char32_t& ch) {
        if (ch != U'\r') {
            ch = 0;
        }
    });
}

void TForm_More::ShowKeyTips() {
    const QString tip =
        QString::fromStdString("输入完成按Enter保存，退出按" + ShortCutSet.ShortCutCancel);
    LabelTip01->setText(tip);
    LabelTip02->setText(tip);
}

void TForm_More::FormShow() {
    BringToFrontWhenShown();
    editHideShowKey->setText(QString::fromStdString(ShortCutSet.ShortCutHideOrShow));
    editExitKey->setText(QString::fromStdString(ShortCutSet.ShortCutExit));
    editCancleKey->setText(QString::fromStdString(ShortCutSet.ShortCutCancel));
    PageControl1->setCurrentIndex(kPasswordPage);
    editOldPsw->setFocus();
}

void TForm_More::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_More::FormKeyDown(int& Key) {
    if (Key == VK_LEFT || Key == VK_RIGHT) {
        // Consumed: an arrow's empty key name must not land in a hot-key edit.
        Key = 0;
        const int page = (PageControl1->currentIndex() + 1) % PageControl1->count();
        PageControl1->setCurrentIndex(page);
        (page == kPasswordPage ? editOldPsw : editHideShowKey)->setFocus();
        return;
    }
    const bool passwordPage = PageControl1->currentIndex() == kPasswordPage;
    HandleFormShortCutKey(this, Key, passwordPage ? "editNewPswCf" : "editCancleKey", true);
}

void TForm_More::editNewPswCfKeyDown(int& Key) {
    if (Key != VK_RETURN) {
        return;
    }
    if (!CheckRequiredEdits(this, Key,
                            {{editOldPsw, "请输入原始密码!"},
                             {editNewPsw, "请输入新密码!"},
                             {editNewPswCf, "请输入新密码确认!"}})) {
        return;
    }
    const std::string newPassword = TrimmedText(editNewPsw);
    const std::string confirmation = TrimmedText(editNewPswCf);
    if (newPassword != confirmation) {
        editNewPsw->clear();
        editNewPswCf->clear();
        editNewPsw->setFocus();
        ShowTip(this, "两次输入的密码不一致，请重新输入!");
        return;
    }
    ChangePassword(TrimmedText(editOldPsw), newPassword);
}

void TForm_More::ChangePassword(const std::string& OldPassword, const std::string& NewPassword) {
    GuardDialogStep(this, [&] {
        TSyyUpdPwd request;
        request.syy_pwd = OldPassword;
        request.syy_newpwd = NewPassword;
        switch (CallGateway(this, request, TResultReading::TextZero)) {
            case TCallOutcome::Success:
                ShowTip(this, "修改密码成功！");
                break;
            case TCallOutcome::NoReply:
                break;
            default:
                ShowTip(this, "修改密码失败:" + request.errmsg);
                break;
        }
    });
}

void TForm_More::editCancleKeyKeyDown(int& Key) {
    if (Key == VK_RETURN) {
        SaveShortCuts(Key);
        return;
    }
    CaptureKey(this, editCancleKey, Key, ClashesWithEntry);
}

void TForm_More::SaveShortCuts(int& Key) {
    if (!CheckRequiredEdits(this, Key,
                            {{editHideShowKey, "请设置【主界面隐藏/退出】的快捷键!"},
                             {editExitKey, "请设置【主界面签退】的快捷键!"},
                             {editCancleKey, "请设置【取消操作】的快捷键!!"}})) {
        return;
    }
    ShortCutSet.ShortCutHideOrShow = editHideShowKey->text().toStdString();
    ShortCutSet.ShortCutExit = editExitKey->text().toStdString();
    ShortCutSet.ShortCutCancel = editCancleKey->text().toStdString();
    SaveShortCutSet();
    ShowTip(this, "设置快捷键成功！");
    ShowKeyTips();
}
