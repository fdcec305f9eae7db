#include "QzHotKey.h"

#include <exception>

#include "Foreground.h"
#include "Form.h"
#include "QzLog.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

bool IsDown(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}
bool IsOn(int vk) {
    return (GetKeyState(vk) & 1) != 0;
}

std::string BaseName(int key, bool numLock) {
    if (key >= '0' && key <= '9')
        return std::string(1, static_cast<char>(key));
    if (key >= 'A' && key <= 'Z')
        return std::string(1, static_cast<char>(key));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) {
        return numLock ? std::string(1, static_cast<char>('0' + key - VK_NUMPAD0)) : std::string();
    }
    if (key >= VK_F1 && key <= VK_F1 + 11)
        return "F" + std::to_string(key - VK_F1 + 1);
    switch (key) {
        case VK_ESCAPE:
            return "ESC";
        case VK_SPACE:
            return "SPACE";
        case VK_PAUSE:
            return "PAUSE";
        case VK_CAPITAL:
            return "CAPLOCK";
        case VK_SNAPSHOT:
            return "PRTSC";
        case VK_LWIN:
            return "LWIN";
        case VK_RWIN:
            return "RWIN";
        case VK_APPS:
            return "APPS";
        case VK_ADD:
            return "+";
        case VK_SUBTRACT:
            return "-";
        case VK_DECIMAL:
            return ".";
        case VK_DIVIDE:
            return "/";
        case VK_NUMLOCK:
            return "NUMLOCK";
        case VK_SCROLL:
            return "SCROLLLock";
        case 0xBA:
            return ";";
        case 0xBB:
            return "=";
        case 0xBC:
            return ",";
        case 0xBD:
            return "-";
        case 0xBE:
            return ".";
        case 0xBF:
            return "/";
        case 0xC0:
            return "`";
        case 0xDB:
            return "[";
        case 0xDC:
            return "\\";
        case 0xDD:
            return "]";
        case 0xDE:
            return "`";  // one hot key with the backquote, as the tills have always had it
        default:
            return {};
    }
}

}  // namespace

bool ForceForegroundWindow(QWidget* window) {
    return platform::BringToFront(window);
}

void KeyToShortCutText(int Key, std::string& Text) {
    Text.clear();
    try {
        const bool ctrl = IsDown(VK_CONTROL);
        const bool alt = IsDown(VK_MENU);
        const bool shift = IsDown(VK_SHIFT);
        std::string text = BaseName(Key & 0xFFFF, IsOn(VK_NUMLOCK));
        if (ctrl) {
            text = "CTRL+" + text;
        } else if (alt) {
            text = "ALT+" + text;
        } else if (shift) {
            text = "SHIFT+" + text;
        }
        for (char& c : text) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        }
        Text = text;
    } catch (const std::exception& e) {
        WriteLogOrStderr(e.what());
    }
}

void HandleFormShortCutKey(Form* form, int& Key, const std::string& EnterControlName,
                           bool IsModal) {
    std::string name;
    KeyToShortCutText(Key, name);
    if (name == ShortCutSet.ShortCutCancel) {
        Key = 0;
        if (IsModal) {
            form->SetModalResult(mrCancel);
        } else {
            form->Close();
        }
    }
    switch (Key) {
        case VK_RETURN:
            if (form->ActiveControlName() != EnterControlName) {
                Key = 0;
                form->SelectNextControl(true);
                form->DropActiveSelection();
            }
            break;
        case VK_UP:
            Key = 0;
            form->SelectNextControl(false);
            form->DropActiveSelection();
            break;
        case VK_DOWN:
            Key = 0;
            form->SelectNextControl(true);
            form->DropActiveSelection();
            break;
        default:
            break;
    }
}

bool IsModifierKeyDown() {
    try {
        return IsDown(VK_CONTROL) || IsDown(VK_MENU) || IsDown(VK_SHIFT);
    } catch (const std::exception& e) {
        WriteLog(e.what());
        return false;
    }
}
