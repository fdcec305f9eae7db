#pragma once

class QWidget;

namespace platform {

// Restores a minimised window, raises it and makes it the active window, even when another
// program has the focus. True only when it really is the active window afterwards.
bool BringToFront(QWidget* window);

}  // namespace platform
