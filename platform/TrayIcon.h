#pragma once

#include <QIcon>

#include <optional>
#include <string>

class QSystemTrayIcon;

namespace platform {

class Form;

// The notification-area calls and the mouse messages a click on an icon is reported with.
constexpr unsigned NIM_ADD = 0;
constexpr unsigned NIM_DELETE = 2;
constexpr unsigned NIF_MESSAGE = 1;
constexpr unsigned NIF_ICON = 2;
constexpr unsigned NIF_TIP = 4;
constexpr unsigned WM_LBUTTONUP = 0x202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x203;
constexpr unsigned WM_RBUTTONUP = 0x205;
constexpr unsigned WM_MBUTTONUP = 0x208;

// The record a window fills for its icon in the notification area.
struct NOTIFYICONDATAA {
    Form* hWnd = nullptr;
    unsigned uID = 0;
    unsigned uFlags = 0;
    // Posted to hWnd with wParam uID and lParam the mouse message when the icon is clicked.
    unsigned uCallbackMessage = 0;
    QIcon hIcon;
    // Code page 936 bytes ended by a NUL, as the notification area has always taken them.
    char szTip[64] = {};
};

// Copies a tip into szTip: at most 63 code page 936 bytes, cut before a character that would not
// fit whole.
void SetTipText(NOTIFYICONDATAA& data, const std::string& utf8);

// NIM_ADD shows the icon of (hWnd, uID), NIM_DELETE removes it. False when there is nothing to
// delete, the icon is already there, or hWnd is missing. Where the desktop has no notification
// area the icon is kept but not shown; the window then stays reachable by other means.
bool Shell_NotifyIconA(unsigned message, const NOTIFYICONDATAA& data);

// True when the desktop shows tray icons: a window may then hide until its icon is clicked.
bool TrayAvailable();
// Tests decide what TrayAvailable answers; nullopt asks the desktop again.
void SetTrayAvailableForTesting(std::optional<bool> available);

// The icon added for (window, id), nullptr when there is none: tests click it.
QSystemTrayIcon* FindTrayIcon(const Form* window, unsigned id);

}  // namespace platform
