#include "CompareText.h"

#include <cstdint>

namespace platform {
namespace {

// Sort weight of one byte: four groups, each group in its own range.
uint32_t Weight(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        c = static_cast<unsigned char>(c - 'a' + 'A');
    }
    if (c >= '0' && c <= '9') {
        return 0x100 + c;
    }
    if (c >= 'A' && c <= 'Z') {
        return 0x200 + c;
    }
    if (c < 0x80) {
        return c;  // blanks, punctuation and control characters
    }
    return 0x300 + c;  // everything beyond ASCII, by its bytes
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t wa = Weight(static_cast<unsigned char>(a[i]));
        uint32_t wb = Weight(static_cast<unsigned char>(b[i]));
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace platform
