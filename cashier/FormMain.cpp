#include "FormMain.h"

#include <QLabel>
#include <QMouseEvent>

#include <functional>

#include "CashierAssets.h"
#include "KbWatch.h"
#include "NativeWindow.h"
#include "QzColors.h"
#include "QzFormRunner.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "ShownText.h"
#include "UpdaterHandOver.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

constexpr int kWidth = 386;
constexpr int kHeight = 579;
constexpr int kInfoHeight = 113;
constexpr int kTipHeight = 41;
constexpr int kButtonWidth = 192;
constexpr int kButtonHeight = 101;

// A picture that acts on a click.
class TPictureButton : public QLabel {
public:
    TPictureButton(QWidget* parent, const char* name, const char* picture,
                   std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {
        setObjectName(name);
        setPixmap(AssetPicture(picture));
        setAlignment(Qt::AlignCenter);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            ReportUncaught(onClick_);
        }
    }

private:
    std::function<void()> onClick_;
};

QLabel* Panel(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

}  // namespace

TForm_Main::TForm_Main(QWidget* owner) : THookTrayForm(owner) {
    setObjectName("Form_Main");
    BuildLayout();

    // FormCreate
    HookStarted = false;
    IsShown = true;
    setWindowTitle(QString::fromStdString(AppTitle));
    CheckStoreInitialised();
    SignIn();
    AddTrayIcon();
}

void TForm_Main::BuildLayout() {
    setFixedSize(kWidth, kHeight);
    setWindowIcon(ApplicationIcon());
    QFont font("宋体");
    font.setPixelSize(14);
    setFont(font);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kClWindow);
    setPalette(palette);

    QLabel* info = Panel(this, "PanelSyyInfo", QRect(0, 0, kWidth, kInfoHeight), kClHighlight);
    auto* logo = new QLabel(info);
    logo->setObjectName("ImageLogo");
    logo->setGeometry((kWidth - 59) / 2, 12, 59, 59);
    logo->setScaledContents(true);
    logo->setPixmap(AssetPicture("logo"));
    lbSyyName = new QLabel("收银员:******", info);
    lbSyyName->setObjectName("lbSyyName");
    lbSyyName->setGeometry(0, 80, kWidth, 24);
    lbSyyName->setAlignment(Qt::AlignCenter);
    lbSyyName->setStyleSheet("color: white;");

    PanelTip = Panel(this, "PanelTip", QRect(0, kInfoHeight, kWidth, kTipHeight), kClMoneyGreen);
    QFont tipFont = font;
    tipFont.setPixelSize(12);
    PanelTip->setFont(tipFont);
    PanelTip->setAlignment(Qt::AlignCenter);
    PanelTip->setWordWrap(true);
    PanelTip->setStyleSheet("color: black;");

    const int top = kInfoHeight + kTipHeight;
    QLabel* buttons = Panel(this, "Panel3", QRect(0, top, kWidth, kHeight - top), Qt::white);
    const struct {
        const char* name;
        const char* picture;
        void (TForm_Main::*click)();
    } pictures[] = {
        {"imgMicroPay", "btnMicroPay", &TForm_Main::imgMicroPayClick},
        {"imgCodePay", "btnCodePay", &TForm_Main::imgCodePayClick},
        {"imgRefund", "btnRefund", &TForm_Main::imgRefundClick},
        {"imgRefundQuery", "btnRefundQuery", &TForm_Main::imgRefundQueryClick},
        {"imgTodayOrder", "btnTodayOrder", &TForm_Main::imgTodayOrderClick},
        {"imgTodayTotal", "btnTodayTotal", &TForm_Main::imgTodayTotalClick},
        {"imgPrintSet", "btnPrintSet", &TForm_Main::imgPrintSetClick},
        {"imgMore", "btnMore", &TForm_Main::imgMoreClick},
    };
    const int left = (kWidth - 2 * kButtonWidth) / 2;
    for (int i = 0; i < 8; ++i) {
        auto click = pictures[i].click;
        auto* button = new TPictureButton(buttons, pictures[i].name, pictures[i].picture,
                                          [this, click] { (this->*click)(); });
        button->setGeometry(left + (i % 2) * kButtonWidth, (i / 2) * kButtonHeight, kButtonWidth,
                            kButtonHeight);
    }

    const int barTop = 4 * kButtonHeight;
    auto* statusBar = new QLabel("技术支持：请联系您的收单服务商", buttons);
    statusBar->setObjectName("StatusBar1");
    statusBar->setGeometry(0, barTop, kWidth, buttons->height() - barTop);
    statusBar->setAlignment(Qt::AlignCenter);
    statusBar->setStyleSheet(
        "background: #F0F0F0; color: #606060; border-top: 1px solid #D8D8D8; font-size: 12px;");
}

void TForm_Main::CheckStoreInitialised() {
    const TInterfacePRM& prm = InterfacePRM;
    if (prm.MchName.empty() || prm.MchID.empty() || prm.AppID.empty() || prm.Key.empty() ||
        prm.StoreName.empty() || prm.StoreAppID.empty() || SystemSet.BaseUrl.empty()) {
        Variant out;
        RunRegisteredForm("TForm_Init", "Execute", Variant(), out, true, true, false, false);
    }
}

void TForm_Main::SignIn() {
    hide();
    if (HookStarted) {
        StopKeyHook();
    }
    Variant out;
    RunRegisteredForm("TForm_Login", "Execute", Variant(), out, true, true, false, false);
    if (HookStarted) {
        StopKeyHook();
    }
    HookStarted = StartKeyHook(WindowHandle(this), KeyHookMessage) != 0;
    ShowCashierInfo();
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    ForceForegroundWindow(this);
}

void TForm_Main::ShowCashierInfo() {
    lbSyyName->setText(QString::fromStdString(ShownText("收银员:" + SyyInfo.SyyName)));
    ShowTipLine();
}

void TForm_Main::ShowTipLine() {
    PanelTip->setText(QString::fromStdString("请按相应数字键操作，“隐藏/显示”按" +
                                             ShortCutSet.ShortCutHideOrShow + "，“签退”按" +
                                             ShortCutSet.ShortCutExit + "。"));
}

void TForm_Main::FormShow() {
    BringToFrontWhenShown();
}

void TForm_Main::FormKeyDown(int& Key) {
    std::string name;
    KeyToShortCutText(Key, name);
    if (name == ShortCutSet.ShortCutExit) {
        Key = 0;
        SignIn();
        return;
    }
    if (name == ShortCutSet.ShortCutHideOrShow) {
        Key = 0;
        HideToTray();
        return;
    }
    int digit = 0;
    if (Key >= '1' && Key <= '8') {
        digit = Key - '0';
    } else if (Key >= VK_NUMPAD0 + 1 && Key <= VK_NUMPAD0 + 8) {
        digit = Key - VK_NUMPAD0;
    }
    if (digit != 0) {
        Key = 0;
        ClickDigit(digit);
    } else if (Key == VK_UP) {
        Key = 0;
        // The window stays: the updater closes it by its caption when it is ready.
        HandOverToUpdater();
    }
}

void TForm_Main::ClickDigit(int digit) {
    switch (digit) {
        case 1:
            imgMicroPayClick();
            break;
        case 2:
            imgCodePayClick();
            break;
        case 3:
            imgRefundClick();
            break;
        case 4:
            imgRefundQueryClick();
            break;
        case 5:
            imgTodayOrderClick();
            break;
        case 6:
            imgTodayTotalClick();
            break;
        case 7:
            imgPrintSetClick();
            break;
        case 8:
            imgMoreClick();
            break;
        default:
            break;
    }
}

void TForm_Main::HookKeyDown(const std::string& name) {
    // The main window only comes back on the hook's key; it hides by its own key press.
    if (name == ShortCutSet.ShortCutHideOrShow && !IsShown) {
        ShowAgain();
    }
}

void TForm_Main::OpenDialog(const char* className) {
    Variant out;
    RunRegisteredForm(className, "Execute", Variant(), out, true, true, false, false);
}

void TForm_Main::imgMicroPayClick() {
    OpenDialog("TForm_Micro_Pay");
}
void TForm_Main::imgCodePayClick() {
    OpenDialog("TForm_Code_Pay");
}
void TForm_Main::imgRefundClick() {
    OpenDialog("TForm_Refund");
}
void TForm_Main::imgRefundQueryClick() {
    OpenDialog("TForm_Refund_Query");
}
void TForm_Main::imgTodayOrderClick() {
    OpenDialog("TForm_Today_Order");
}
void TForm_Main::imgTodayTotalClick() {
    OpenDialog("TForm_Today_Total");
}
void TForm_Main::imgPrintSetClick() {
    OpenDialog("TForm_Printer_Set");
}

void TForm_Main::imgMoreClick() {
    OpenDialog("TForm_More");
    ShowTipLine();  // new hot keys show at once; the cashier's name waits for the next sign-in
}
