#pragma once

#include <string>

class QWidget;
namespace platform {
class Form;
}

// Brings a window to the front, restoring it first when minimised. True when it is the active
// window afterwards.
bool ForceForegroundWindow(QWidget* window);

// The hot-key name of a virtual-key code with the modifiers now held ("ESC", "0", "CTRL+F5");
// "" for a key without a name and no modifier. Hot keys are compared by these names.
void KeyToShortCutText(int Key, std::string& Text);

// The entry dialogs' common keys: the cancel hot key ends the dialog, Enter moves to the next
// control until the named last one, the cursor keys move up and down. Key becomes 0 when used.
void HandleFormShortCutKey(platform::Form* form, int& Key, const std::string& EnterControlName,
                           bool IsModal);

// True while Ctrl, Alt or Shift is held.
bool IsModifierKeyDown();
