#pragma once

namespace platform {

class Form;

// The X window of a form, for code outside Qt that addresses windows by handle (the keyboard
// hook); 0 when the windows are not on an X server. Once a handle has been given out, the window
// messages such code sends to it as X client messages reach the form's WndProc, queued like
// Form::PostMessage.
unsigned long WindowHandle(Form* form);

}  // namespace platform
