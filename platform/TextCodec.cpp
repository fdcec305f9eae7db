#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

// One converter per call keeps this free of shared state; iconv_open is cheap next to the
// file and network work around every conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; an unconvertible or broken sequence becomes "?" and the
    // conversion goes on after it. skipLength tells how many input bytes that sequence spans.
    template <typename SkipLength>
    std::string Convert(std::string_view in, SkipLength skipLength) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end): replace and step over it.
            size_t skip = skipLength(std::string_view(src, srcLeft));
            out.push_back('?');
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

size_t Utf8SequenceLength(std::string_view s) {
    auto lead = static_cast<unsigned char>(s[0]);
    size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // Stop at the first byte that is not a continuation, so a broken sequence costs one "?".
    size_t i = 1;
    while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) {
        ++i;
    }
    return i;
}

size_t GbkSequenceLength(std::string_view s) {
    auto lead = static_cast<unsigned char>(s[0]);
    if (lead >= 0x81 && lead <= 0xFE && s.size() >= 2) {
        auto trail = static_cast<unsigned char>(s[1]);
        if (trail >= 0x40 && trail != 0x7F && trail != 0xFF) {
            return 2;
        }
    }
    return 1;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    return Converter("GBK", "UTF-8").Convert(utf8, Utf8SequenceLength);
}

std::string GbkToUtf8(std::string_view gbk) {
    return Converter("UTF-8", "GBK").Convert(gbk, GbkSequenceLength);
}

bool IsUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length a lead byte announces, and the range its first continuation byte must keep
        // to so that the character is neither overlong, a surrogate nor past U+10FFFF.
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (bytes.size() - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (k == 1 ? next < low || next > high : (next & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::string Utf8OrGbkToUtf8(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : GbkToUtf8(bytes);
}

std::string ThroughGbk(std::string_view utf8) {
    return GbkToUtf8(Utf8ToGbk(utf8));
}

}  // namespace platform
