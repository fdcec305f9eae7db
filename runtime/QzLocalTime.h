#pragma once

#include <string>

// The present local time written with a strftime format, at most 31 characters: the log's
// "%Y-%m-%d %H:%M:%S" lines and file names, the receipts' print time.
std::string LocalTimeText(const char* format);

// The time stamp the log and the receipts print: "yyyy-mm-dd hh:nn:ss".
inline std::string LocalTimeText() {
    return LocalTimeText("%Y-%m-%d %H:%M:%S");
}
