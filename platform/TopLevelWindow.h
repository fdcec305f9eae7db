#pragma once

#include <string>

namespace platform {

// Other programs' top-level windows on the X server, as FindWindowA and WM_CLOSE reach them.

// The top-level window whose title (_NET_WM_NAME, else WM_NAME) is exactly Title, also one that is
// hidden (unmapped, as a program hidden to the tray leaves it); 0 when there is none or no X
// server can be reached.
unsigned long FindTopLevelWindow(const std::string& title);

// Asks the window to close as its close box would (WM_DELETE_WINDOW); false when the request
// could not be sent.
bool CloseTopLevelWindow(unsigned long window);

}  // namespace platform
