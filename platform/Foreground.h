#pragma once

class QWidget;

namespace platform {

// Restores a minimised window, raises it and asks the window manager to make it active.
// True only when it really is the active window afterwards.
bool BringToFront(QWidget* window);

}  // namespace platform
