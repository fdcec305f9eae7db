#pragma once

#include <string>

// A code of the gateway's replies and the text the cashier sees for it.
struct TCodeText {
    const char* Code;
    const char* Text;
};

// The text of the first entry whose code equals code exactly (case and all); fallback when
// none does.
template <size_t N>
std::string CodeText(const TCodeText (&table)[N], const std::string& code, const char* fallback) {
    for (const TCodeText& entry : table) {
        if (code == entry.Code) {
            return entry.Text;
        }
    }
    return fallback;
}
