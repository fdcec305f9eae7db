#include "TrayIcon.h"

#include <QSystemTrayIcon>

#include <cstring>

#include "Form.h"
#include "TextCodec.h"

namespace platform {
namespace {

std::optional<bool>& ForcedTray() {
    static std::optional<bool> forced;
    return forced;
}

QString IconName(unsigned id) {
    return QStringLiteral("TrayIcon%1").arg(id);
}

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

unsigned MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return WM_LBUTTONUP;
        case QSystemTrayIcon::DoubleClick:
            return WM_LBUTTONDBLCLK;
        case QSystemTrayIcon::Context:
            return WM_RBUTTONUP;
        case QSystemTrayIcon::MiddleClick:
            return WM_MBUTTONUP;
        default:
            return 0;
    }
}

}  // namespace

void SetTipText(NOTIFYICONDATAA& data, const std::string& utf8) {
    const std::string gbk = Utf8ToGbk(utf8);
    size_t length = 0;
    while (length < gbk.size()) {
        const size_t width = IsLeadByte(static_cast<unsigned char>(gbk[length])) ? 2 : 1;
        if (length + width > sizeof(data.szTip) - 1) {
            break;
        }
        length += width;
    }
    std::memset(data.szTip, 0, sizeof(data.szTip));
    std::memcpy(data.szTip, gbk.data(), length);
}

bool TrayAvailable() {
    if (ForcedTray()) {
        return *ForcedTray();
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAvailableForTesting(std::optional<bool> available) {
    ForcedTray() = available;
}

QSystemTrayIcon* FindTrayIcon(const Form* window, unsigned id) {
    if (!window) {
        return nullptr;
    }
    return window->findChild<QSystemTrayIcon*>(IconName(id), Qt::FindDirectChildrenOnly);
}

bool Shell_NotifyIconA(unsigned message, const NOTIFYICONDATAA& data) {
    Form* window = data.hWnd;
    if (!window) {
        return false;
    }
    QSystemTrayIcon* existing = FindTrayIcon(window, data.uID);
    if (message == NIM_DELETE) {
        if (!existing) {
            return false;
        }
        existing->hide();
        existing->setObjectName(QString());
        existing->deleteLater();
        return true;
    }
    if (message != NIM_ADD || existing) {
        return false;
    }
    auto* icon = new QSystemTrayIcon(window);  // owned by the window
    icon->setObjectName(IconName(data.uID));
    if (data.uFlags & NIF_ICON) {
        icon->setIcon(data.hIcon);
    }
    if (data.uFlags & NIF_TIP) {
        icon->setToolTip(QString::fromStdString(GbkToUtf8(data.szTip)));
    }
    if (data.uFlags & NIF_MESSAGE) {
        const unsigned callback = data.uCallbackMessage;
        const unsigned id = data.uID;
        QObject::connect(icon, &QSystemTrayIcon::activated, window,
                         [window, callback, id](QSystemTrayIcon::ActivationReason reason) {
                             if (unsigned mouse = MouseMessage(reason)) {
                                 window->PostMessage(callback, id, mouse);
                             }
                         });
    }
    if (QSystemTrayIcon::isSystemTrayAvailable() && !icon->icon().isNull()) {
        icon->show();
    }
    return true;
}

}  // namespace platform
