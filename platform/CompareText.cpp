#include "CompareText.h"

#include <cstdint>

namespace platform {
namespace {

// The hyphen and the apostrophe join words ("co-op", "don't"): they count only between texts
// that are otherwise equal.
bool IsJoiner(unsigned char c) {
    return c == '-' || c == '\'';
}

// Sort weight of one byte: four groups, each group in its own range. Among the punctuation,
// the signs "+", "<", "=" and ">" come after "~"; the rest keep their order.
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
    switch (c) {
        case '+':
            return 0x80;
        case '<':
            return 0x81;
        case '=':
            return 0x82;
        case '>':
            return 0x83;
        default:
            break;
    }
    if (c < 0x80) {
        return c;  // blanks, punctuation and control characters
    }
    return 0x300 + c;  // everything beyond ASCII, by its bytes
}

int Sign(bool less) {
    return less ? -1 : 1;
}

// The texts without their joiners, character by character.
int CompareWithoutJoiners(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < a.size() && IsJoiner(static_cast<unsigned char>(a[i]))) {
            ++i;
        }
        while (j < b.size() && IsJoiner(static_cast<unsigned char>(b[j]))) {
            ++j;
        }
        if (i == a.size() || j == b.size()) {
            return i == a.size() && j == b.size() ? 0 : Sign(i == a.size());
        }
        uint32_t wa = Weight(static_cast<unsigned char>(a[i++]));
        uint32_t wb = Weight(static_cast<unsigned char>(b[j++]));
        if (wa != wb) {
            return Sign(wa < wb);
        }
    }
}

// Texts equal but for their joiners: joiner by joiner, one standing further on sorts first,
// at the same place the apostrophe before the hyphen; a text with fewer joiners sorts first.
int CompareJoiners(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < a.size() && !IsJoiner(static_cast<unsigned char>(a[i]))) {
            ++i;
        }
        while (j < b.size() && !IsJoiner(static_cast<unsigned char>(b[j]))) {
            ++j;
        }
        if (i == a.size() || j == b.size()) {
            return i == a.size() && j == b.size() ? 0 : Sign(i == a.size());
        }
        if (i != j) {
            return Sign(i > j);
        }
        if (a[i] != b[j]) {
            return Sign(a[i] == '\'');
        }
        ++i;
        ++j;
    }
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
    int order = CompareWithoutJoiners(a, b);
    return order != 0 ? order : CompareJoiners(a, b);
}

}  // namespace platform
