#include "HookTrayForm.h"

#include "CashierAssets.h"
#include "KbWatch.h"
#include "NativeWindow.h"
#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"

using namespace platform;

bool HookStarted = false;

THookTrayForm::THookTrayForm(QWidget* owner) : Form(owner) {}

THookTrayForm::~THookTrayForm() {
    Shell_NotifyIconA(NIM_DELETE, TrayIconData);
    // HookStarted stays as it is: the next window restarts the hook on itself, and the library
    // takes a stop with nothing running.
    if (HookStarted) {
        StopKeyHook();
    }
}

void THookTrayForm::AddTrayIcon() {
    TrayIconData = NOTIFYICONDATAA();
    TrayIconData.hWnd = this;
    TrayIconData.uID = 1;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayIconMessage;
    TrayIconData.hIcon = ApplicationIcon();
    SetTipText(TrayIconData, AppTitle);
    Shell_NotifyIconA(NIM_ADD, TrayIconData);
}

void THookTrayForm::StartKeyHookHere() {
    if (HookStarted) {
        StopKeyHook();
    }
    HookStarted = StartKeyHook(WindowHandle(this), KeyHookMessage) != 0;
}

void THookTrayForm::ShowAgain() {
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    ForceForegroundWindow(this);
    IsShown = true;
}

void THookTrayForm::HideToTray() {
    if (TrayAvailable()) {
        hide();
    } else {
        showMinimized();
    }
    IsShown = false;
}

void THookTrayForm::OpenMemFile() {
    if (MemFileView) {
        return;
    }
    MemFileHandle = OpenFileMapping(kMemFileName);
    if (MemFileHandle) {
        MemFileView = MapViewOfFile(MemFileHandle);
        if (!MemFileView) {
            MemFileHandle.Close();
        }
    }
}

void THookTrayForm::WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    OpenMemFile();
    if (msg == KeyHookMessage) {
        const bool released = (lParam & 0x80000000) != 0;
        if (MemFileView && !released) {
            std::string name;
            KeyToShortCutText(static_cast<int>(wParam & 0xFFFF), name);
            HookKeyDown(name);
        }
        return;
    }
    if (msg == TrayIconMessage) {
        TrayIconNotify(lParam);
    }
}

void THookTrayForm::HookKeyDown(const std::string& name) {
    if (name != ShortCutSet.ShortCutHideOrShow) {
        return;
    }
    if (IsShown) {
        HideToTray();
    } else {
        ShowAgain();
    }
}

void THookTrayForm::TrayIconNotify(intptr_t lParam) {
    if (lParam == WM_LBUTTONUP && !IsShown) {
        ShowAgain();
    }
}
