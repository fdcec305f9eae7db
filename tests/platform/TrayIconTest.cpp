#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <cstring>
#include <vector>

#include "Form.h"
#include "TextCodec.h"
#include "TrayIcon.h"

using namespace platform;

namespace {

class Owner : public Form {
public:
    std::vector<std::pair<uintptr_t, intptr_t>> clicks;

protected:
    void WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        if (msg == 0x7E8) {
            clicks.emplace_back(wParam, lParam);
        }
    }
};

NOTIFYICONDATAA IconOf(Form* window) {
    NOTIFYICONDATAA data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = 0x7E8;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    data.hIcon = QIcon(pixmap);
    SetTipText(data, "海川微信支付收银系统1.0.5[VelPay]");
    return data;
}

}  // namespace

TEST(TrayIcon, TipIsCutTo63BytesOfCodePage936WithoutSplittingACharacter) {
    NOTIFYICONDATAA data;
    SetTipText(data, "海川微信支付收银系统1.0.5[VelPay]");
    EXPECT_EQ(GbkToUtf8(data.szTip), "海川微信支付收银系统1.0.5[VelPay]");

    SetTipText(data, "海川微信支付收银系统1.0.5[" + std::string(40, 'x') + "]");
    EXPECT_EQ(std::strlen(data.szTip), 63u);
    EXPECT_EQ(GbkToUtf8(data.szTip), "海川微信支付收银系统1.0.5[" + std::string(37, 'x'));

    // 26 bytes, then two-byte characters: the one that would straddle byte 63 is left out.
    SetTipText(data, "海川微信支付收银系统1.0.5[收银收银收银收银收银收银收银收银收银收银]");
    EXPECT_EQ(std::strlen(data.szTip), 62u);
    EXPECT_EQ(data.szTip[63], '\0');
}

TEST(TrayIcon, ClicksArePostedToTheWindowAsMouseMessages) {
    Owner window;
    NOTIFYICONDATAA data = IconOf(&window);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, data)) << "one icon per window and id";
    QSystemTrayIcon* icon = FindTrayIcon(&window, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip().toStdString(), "海川微信支付收银系统1.0.5[VelPay]");

    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::Context);
    QApplication::processEvents();
    ASSERT_EQ(window.clicks.size(), 2u);
    EXPECT_EQ(window.clicks[0], std::make_pair(uintptr_t{1}, intptr_t{WM_LBUTTONUP}));
    EXPECT_EQ(window.clicks[1].second, intptr_t{WM_RBUTTONUP});

    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, data));
    EXPECT_EQ(FindTrayIcon(&window, 1), nullptr);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, data)) << "nothing left to delete";
    EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, data)) << "the id is free again";
}

TEST(TrayIcon, WithoutADesktopTrayTheIconIsKeptButNotShown) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen desktop has none";
    Owner window;
    NOTIFYICONDATAA data = IconOf(&window);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, data));
    EXPECT_FALSE(FindTrayIcon(&window, 1)->isVisible());
    EXPECT_FALSE(TrayAvailable());

    data.hWnd = nullptr;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, data));
}
