#pragma once

#include <optional>

class QKeyEvent;

// Windows virtual-key codes: the dialogs and the hot-key names are written in terms of them.
namespace platform {

constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;

// The virtual-key code of a Qt key event (US layout for the punctuation keys), 0 when none.
int VirtualKeyFromEvent(const QKeyEvent& event);

// The same for a Qt key code and keypad flag, for callers without an event.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

// As GetKeyState: bit 15 set when the key is down, bit 0 set when a lock key is on. Ctrl, Alt
// and Shift come from the key event being handled (or the application's modifiers); Caps Lock
// and NumLock from the X keyboard state.
short GetKeyState(int vk);

// Called by the forms for every key event they see, so that GetKeyState answers "as of the
// message being handled".
void NoteKeyEvent(const QKeyEvent& event);

struct LockStates {
    bool capsLock = false;
    bool numLock = false;
};

// Fixes the lock states for tests that run without an X server; nullopt gives them back.
void SetLockStatesForTesting(std::optional<LockStates> states);

}  // namespace platform
