#pragma once

#include <cstdint>
#include <string>

#include "FileMapping.h"
#include "Form.h"
#include "TrayIcon.h"

// True while the program believes a key hook runs. The hook follows the open window: the store
// initialisation dialog, then the sign-in dialog, then the main window start it on themselves.
extern bool HookStarted;

// Posted by the keyboard hook: wParam the virtual-key code, lParam bit 31 set on release.
inline constexpr unsigned KeyHookMessage = 0x464;
// Posted by the tray icon: lParam the mouse message.
inline constexpr unsigned TrayIconMessage = 0x7E8;
// The hook's keys count only while a shared memory object of this name can be mapped; nothing
// in the client creates it.
inline constexpr const char* kMemFileName = "_ORV_MEM_FILE";

// What the main window, the sign-in dialog and the store initialisation dialog share: an icon of
// their own in the tray, the keyboard hook bound to them, and the gate that lets the hook's keys
// act only while "_ORV_MEM_FILE" is mapped. Destroying the window removes its icon and stops the
// hook.
class THookTrayForm : public platform::Form {
public:
    bool Shown() const { return IsShown; }

protected:
    explicit THookTrayForm(QWidget* owner);
    ~THookTrayForm() override;

    // Fills TrayIconData for this window (tip AppTitle) and adds the icon.
    void AddTrayIcon();
    // Moves the hook to this window: a running one is stopped, then it is started here.
    void StartKeyHookHere();
    // Shows the window again in its normal state and brings it to the front.
    void ShowAgain();
    // Puts the window out of sight until the tray or the hook brings it back. Where the desktop
    // has no tray it is minimised instead, so that the cashier can still reach it.
    void HideToTray();

    // A key pressed anywhere, reported by the hook while the gate is open, by its hot-key name.
    // The hide/show key toggles the window.
    virtual void HookKeyDown(const std::string& name);
    // A mouse message on the tray icon: a left click shows the window while it is hidden.
    virtual void TrayIconNotify(intptr_t lParam);

    void WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    platform::NOTIFYICONDATAA TrayIconData;
    platform::FileMapping MemFileHandle;
    platform::MappedView MemFileView;
    // False after the hide/show key or the close button put the window out of sight.
    bool IsShown = true;

private:
    void OpenMemFile();
};
