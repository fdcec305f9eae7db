#pragma once

#include <cstddef>
#include <string>

namespace platform {

// How many characters of a text from outside (a gateway's message, a field of its reply) a box
// or a label shows: enough for any message meant to be read, and little enough to lay out at
// once, where megabytes of it would hold the window for minutes.
inline constexpr std::size_t kShownTextLength = 1000;

// The text itself when it holds at most kShownTextLength characters; else its first
// kShownTextLength characters followed by "…". The cut falls between UTF-8 characters, never
// inside one.
std::string ShownText(const std::string& text);

}  // namespace platform
