#include "PrivateProfile.h"

#include <vector>

#include "TextCodec.h"

namespace platform {
namespace {

bool IsGbkLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Case-insensitive equality of two code page 936 texts: ASCII letters fold, double-byte
// characters compare whole (their trail bytes may look like ASCII letters).
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (IsGbkLead(ca) && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        if (ca >= 'a' && ca <= 'z')
            ca -= 32;
        if (cb >= 'a' && cb <= 'z')
            cb -= 32;
        if (ca != cb) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        return {};
    }
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// One line of the file, without its line end.
struct Line {
    std::string text;
    std::string_view Trimmed() const { return Trim(text); }
    bool IsSection() const {
        auto t = Trimmed();
        return !t.empty() && t.front() == '[';
    }
    std::string_view SectionName() const {
        auto t = Trimmed().substr(1);
        auto close = t.find(']');
        return Trim(close == std::string_view::npos ? t : t.substr(0, close));
    }
    std::string_view KeyName() const {
        auto eq = std::string_view(text).find('=');
        return eq == std::string_view::npos ? std::string_view{}
                                            : Trim(std::string_view(text).substr(0, eq));
    }
    bool HasKey(std::string_view key) const {
        return std::string_view(text).find('=') != std::string_view::npos &&
               EqualNoCase(KeyName(), key);
    }
    std::string_view Value() const {
        auto eq = std::string_view(text).find('=');
        auto v = Trim(std::string_view(text).substr(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            v = v.substr(1, v.size() - 2);
        }
        return v;
    }
};

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back({bytes.substr(start, i - start)});
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.push_back({bytes.substr(start)});
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

// Index of the section header line, or lines.size() when the section is missing.
size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].IsSection() && EqualNoCase(lines[i].SectionName(), section)) {
            return i;
        }
    }
    return lines.size();
}

size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && !lines[i].IsSection()) {
        ++i;
    }
    return i;
}

// Cuts a code page 936 text to at most limit bytes without splitting a double-byte character.
std::string_view CutGbk(std::string_view s, size_t limit) {
    if (s.size() <= limit) {
        return s;
    }
    size_t i = 0;
    while (i < limit) {
        size_t step = IsGbkLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + step > limit) {
            break;
        }
        i += step;
    }
    return s.substr(0, i);
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& fileName) {
    auto lines = SplitLines(ReadFileBytes(fileName));
    std::string gbkSection = Utf8ToGbk(section);
    std::string gbkKey = Utf8ToGbk(key);
    size_t header = FindSection(lines, gbkSection);
    if (header == lines.size()) {
        return std::string(def);
    }
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].HasKey(gbkKey)) {
            return GbkToUtf8(CutGbk(lines[i].Value(), kProfileValueLimit));
        }
    }
    return std::string(def);
}

bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& fileName) {
    auto lines = SplitLines(ReadFileBytes(fileName));
    std::string gbkSection = Utf8ToGbk(section);
    size_t header = FindSection(lines, gbkSection);

    if (!key) {
        if (header == lines.size()) {
            return true;
        }
        lines.erase(lines.begin() + header, lines.begin() + SectionEnd(lines, header));
        return ReplaceFileContents(fileName, JoinLines(lines));
    }

    std::string gbkKey = Utf8ToGbk(*key);
    if (header == lines.size()) {
        if (!value) {
            return true;
        }
        lines.push_back({"[" + gbkSection + "]"});
        lines.push_back({gbkKey + "=" + Utf8ToGbk(*value)});
        return ReplaceFileContents(fileName, JoinLines(lines));
    }

    size_t end = SectionEnd(lines, header);
    size_t lastKey = header;
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].HasKey(gbkKey)) {
            if (value) {
                lines[i].text = gbkKey + "=" + Utf8ToGbk(*value);
            } else {
                lines.erase(lines.begin() + i);
            }
            return ReplaceFileContents(fileName, JoinLines(lines));
        }
        if (!lines[i].Trimmed().empty()) {
            lastKey = i;
        }
    }
    if (value) {
        lines.insert(lines.begin() + lastKey + 1, {gbkKey + "=" + Utf8ToGbk(*value)});
    }
    return ReplaceFileContents(fileName, JoinLines(lines));
}

}  // namespace platform
