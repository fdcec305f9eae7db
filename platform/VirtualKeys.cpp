#include "VirtualKeys.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace platform {
namespace {

struct KeyboardState {
    Qt::KeyboardModifiers modifiers;
    bool haveEvent = false;
    // NumLock as the last keypad key showed it: a keypad digit arrives only with NumLock on.
    std::optional<bool> numLockSeen;
    std::optional<LockStates> forced;
};

KeyboardState& State() {
    static KeyboardState state;
    return state;
}

int ShiftedDigit(int qtKey) {
    switch (qtKey) {
        case Qt::Key_ParenRight:
            return '0';
        case Qt::Key_Exclam:
            return '1';
        case Qt::Key_At:
            return '2';
        case Qt::Key_NumberSign:
            return '3';
        case Qt::Key_Dollar:
            return '4';
        case Qt::Key_Percent:
            return '5';
        case Qt::Key_AsciiCircum:
            return '6';
        case Qt::Key_Ampersand:
            return '7';
        case Qt::Key_Asterisk:
            return '8';
        case Qt::Key_ParenLeft:
            return '9';
        default:
            return 0;
    }
}

int OemKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return 0xBA;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return 0xBB;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return 0xBC;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return 0xBD;
        case Qt::Key_Period:
        case Qt::Key_Greater:
            return 0xBE;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            return 0xBF;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return 0xC0;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return 0xDB;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return 0xDC;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return 0xDD;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return 0xDE;
        default:
            return 0;
    }
}

int KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return VK_NUMPAD0 + (qtKey - Qt::Key_0);
    }
    switch (qtKey) {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        case Qt::Key_Enter:
            return VK_RETURN;
        default:
            return 0;  // with NumLock off the keypad sends the navigation keys
    }
}

int NamedKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return VK_LWIN;
        case Qt::Key_Super_R:
            return VK_RWIN;
        case Qt::Key_Menu:
            return VK_APPS;
        case Qt::Key_NumLock:
            return VK_NUMLOCK;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        default:
            return 0;
    }
}

Qt::KeyboardModifier ModifierOfKey(int vk) {
    switch (vk) {
        case VK_CONTROL:
            return Qt::ControlModifier;
        case VK_MENU:
            return Qt::AltModifier;
        case VK_SHIFT:
            return Qt::ShiftModifier;
        default:
            return Qt::NoModifier;
    }
}

std::optional<LockStates> LockStatesFromX() {
    xcb_connection_t* connection = x11::QtConnection();
    if (!connection) {
        return std::nullopt;
    }
    // The pointer query carries the modifier state, the locked Caps Lock and NumLock included.
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    auto cookie = xcb_query_pointer(connection, root);
    auto reply = x11::Own(xcb_query_pointer_reply(connection, cookie, nullptr));
    if (!reply) {
        return std::nullopt;
    }
    LockStates states;
    states.capsLock = (reply->mask & XCB_MOD_MASK_LOCK) != 0;
    states.numLock = (reply->mask & XCB_MOD_MASK_2) != 0;
    return states;
}

LockStates CurrentLockStates() {
    auto& state = State();
    if (state.forced) {
        return *state.forced;
    }
    if (auto fromX = LockStatesFromX()) {
        return *fromX;
    }
    return {false, state.numLockSeen.value_or(true)};
}

}  // namespace

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (keypad) {
        if (int vk = KeypadKey(qtKey)) {
            return vk;
        }
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return VK_F1 + (qtKey - Qt::Key_F1);
    }
    if (int vk = NamedKey(qtKey)) {
        return vk;
    }
    if (int digit = ShiftedDigit(qtKey)) {
        return digit;
    }
    return OemKey(qtKey);
}

int VirtualKeyFromEvent(const QKeyEvent& event) {
    return VirtualKeyFromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}

void NoteKeyEvent(const QKeyEvent& event) {
    auto& state = State();
    state.modifiers = event.modifiers();
    int vk = VirtualKeyFromEvent(event);
    if (event.type() == QEvent::KeyPress) {
        state.modifiers |= ModifierOfKey(vk);
    } else {
        state.modifiers &= ~Qt::KeyboardModifiers(ModifierOfKey(vk));
    }
    state.haveEvent = true;
    if (event.modifiers().testFlag(Qt::KeypadModifier) && vk != VK_RETURN) {
        state.numLockSeen = vk >= VK_NUMPAD0 && vk <= VK_DIVIDE;
    }
}

void SetLockStatesForTesting(std::optional<LockStates> states) {
    State().forced = states;
}

short GetKeyState(int vk) {
    constexpr short kDown = static_cast<short>(0x8000);
    if (vk == VK_CAPITAL || vk == VK_NUMLOCK) {
        LockStates locks = CurrentLockStates();
        return (vk == VK_CAPITAL ? locks.capsLock : locks.numLock) ? 1 : 0;
    }
    Qt::KeyboardModifier wanted = ModifierOfKey(vk);
    if (wanted == Qt::NoModifier) {
        return 0;
    }
    auto& state = State();
    Qt::KeyboardModifiers mods = state.haveEvent ? state.modifiers
                                 : qGuiApp       ? QGuiApplication::queryKeyboardModifiers()
                                                 : Qt::NoModifier;
    return mods.testFlag(wanted) ? kDown : 0;
}

}  // namespace platform
