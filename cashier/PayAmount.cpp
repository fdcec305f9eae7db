#include "PayAmount.h"

#include <algorithm>

#include "QzErrors.h"
#include "QzIniFile.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void NotAFloat(const std::string& text) {
    throw Exception("'" + text + "' is not a valid floating point value");
}

[[noreturn]] void OutOfRange(const std::string& text) {
    throw Exception("'" + text + "' is out of range");
}

// A decimal number as its significant digits and the power of ten of the last one.
struct TDecimal {
    bool negative = false;
    std::string digits;  // no leading zeros; empty for zero
    long long exponent = 0;
};

TDecimal ParseDecimal(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) {
        NotAFloat(text);
    }
    const std::string s = text.substr(first, last - first + 1);

    TDecimal d;
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        d.negative = s[i] == '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) {
        d.digits += s[i];
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) {
            d.digits += s[i];
            --d.exponent;
        }
    }
    if (mantissaDigits == 0) {
        NotAFloat(text);
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            ++i;
        }
        if (i == s.size() || !IsDigit(s[i])) {
            NotAFloat(text);
        }
        long long e = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            // Far beyond any amount either way; the clamp only keeps the arithmetic finite.
            e = std::min(e * 10 + (s[i] - '0'), 1000000LL);
        }
        d.exponent += negativeExponent ? -e : e;
    }
    if (i != s.size()) {
        NotAFloat(text);
    }
    d.digits.erase(0, d.digits.find_first_not_of('0'));  // all zeros: nothing left
    return d;
}

}  // namespace

std::string YuanToFen(const std::string& yuan) {
    TDecimal d = ParseDecimal(yuan);
    d.exponent += 2;  // yuan to fen

    // Split into the integer part and the dropped fraction, then round half to even.
    std::string whole = d.digits;
    std::string dropped;
    if (d.exponent >= 0) {
        if (!whole.empty()) {
            if (static_cast<long long>(whole.size()) + d.exponent > 19) {
                OutOfRange(yuan);
            }
            whole.append(static_cast<size_t>(d.exponent), '0');
        }
    } else {
        const long long cut = static_cast<long long>(whole.size()) + d.exponent;
        if (cut <= 0) {
            dropped = std::string(static_cast<size_t>(std::min(-cut, 2LL)), '0') + whole;
            whole.clear();
        } else {
            dropped = whole.substr(static_cast<size_t>(cut));
            whole.resize(static_cast<size_t>(cut));
        }
    }

    // Twenty digits or more exceed 64 bits; nineteen fit in 64 bits unsigned.
    if (whole.size() > 19) {
        OutOfRange(yuan);
    }
    uint64_t magnitude = 0;
    for (char c : whole) {
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    }
    if (!dropped.empty() && dropped[0] >= '5') {
        const bool tie =
            dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
        if (!tie || magnitude % 2 == 1) {
            ++magnitude;
        }
    }

    const uint64_t limit = d.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (magnitude > limit) {
        OutOfRange(yuan);
    }
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (d.negative && text != "0") {
        text.insert(text.begin(), '-');
    }
    return text;
}

std::string FenToYuan(int64_t fen) {
    const uint64_t magnitude =
        fen < 0 ? 0 - static_cast<uint64_t>(fen) : static_cast<uint64_t>(fen);
    const unsigned cents = static_cast<unsigned>(magnitude % 100);
    return (fen < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." +
           static_cast<char>('0' + cents / 10) + static_cast<char>('0' + cents % 10);
}

bool AmountCharAllowed(const std::string& text, char32_t ch) {
    if (ch == U'\b') {
        return true;
    }
    if (ch != U'.' && (ch < U'0' || ch > U'9')) {
        return false;
    }
    const size_t point = text.find('.');
    if (point == std::string::npos) {
        return true;
    }
    return ch != U'.' && text.size() - point - 1 < 2;
}

bool ExternalAmountAccepted(const std::string& amount) {
    const size_t point = amount.find('.');
    if (point == std::string::npos) {
        return true;
    }
    // 1-based position p of the point in a text of n characters: p >= n - 2, p != n, p != 1.
    const size_t p = point + 1;
    const size_t n = amount.size();
    return p + 2 >= n && p != n && p != 1;
}
