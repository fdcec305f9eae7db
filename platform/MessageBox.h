#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform {

// The flags the system passes and the answers it reads.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxCall {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

// Shows a modal box and returns the button pressed (IDOK, IDYES or IDNO). A text too long to lay
// out at once is shown cut (ShownText), also to a test's handler.
int MessageBoxA(QWidget* owner, const std::string& text, const std::string& caption,
                unsigned flags);

// Tests answer the boxes instead of a person: while a handler is set, it receives every box
// and its return value is the answer. Pass nullptr to show real boxes again.
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
