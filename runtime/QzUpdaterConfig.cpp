#include "QzUpdaterConfig.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "PrivateProfile.h"
#include "Process.h"
#include "QzErrors.h"
#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

namespace {

const char* const kUpdaterTitle = "海川微信支付收银系统智能升级程序";

[[noreturn]] void RaiseFileError(const char* what, const std::string& fileName, int error) {
    throw EInOutError(std::string(what) + " \"" + fileName + "\". " +
                      std::strerror(error != 0 ? error : EIO));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string LoadBytes(const std::string& fileName) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) {
        RaiseFileError("Cannot open file", fileName, errno);
    }
    std::string bytes;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, n);
    }
    if (std::ferror(file.get())) {
        // A folder of that name opens but cannot be read.
        RaiseFileError("Cannot open file", fileName, errno);
    }
    return bytes;
}

// CR LF, a lone LF and a lone CR each end a line; a final line end adds no empty line.
std::vector<std::string> SplitIntoLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

// The text before the line's first "=" is the key in any letter case, as it stands: blanks
// around it make it another name. The keys are ASCII, so a double-byte character never matches.
bool LineHasName(const std::string& line, const std::string& key) {
    size_t equals = line.find('=');
    if (equals != key.size()) {
        return false;
    }
    for (size_t i = 0; i < equals; ++i) {
        auto a = static_cast<unsigned char>(line[i]);
        auto b = static_cast<unsigned char>(key[i]);
        if (a >= 'A' && a <= 'Z')
            a += 32;
        if (b >= 'A' && b <= 'Z')
            b += 32;
        if (a != b) {
            return false;
        }
    }
    return true;
}

void SetLine(std::vector<std::string>& lines, const std::string& key, const std::string& value) {
    std::string line = key + "=" + platform::Utf8ToGbk(value);
    for (std::string& existing : lines) {
        if (LineHasName(existing, key)) {
            existing = std::move(line);
            return;
        }
    }
    lines.push_back(std::move(line));
}

}  // namespace

void WriteUpdaterConfig(const std::string& Version, const std::string& Url) {
    const std::string fileName = SystemSet.UpdatePath + "Config.ini";
    std::vector<std::string> lines = SplitIntoLines(LoadBytes(fileName));

    std::string folder = AppPath;
    if (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    const std::string program =
        AppPath + std::filesystem::path(platform::ProgramPath()).filename().string();

    // The address goes as the store set it up: the updater speaks TLS, and turning https into
    // http would strip the protection from the road that downloads and runs a program.
    const struct {
        const char* key;
        std::string value;
    } settings[] = {
        {"ver", Version},         {"address", Url},
        {"RunType", "1"},         {"RunName", program + "," + AppTitle},
        {"BackUpSrc", folder},    {"BackUpDest", ParentFolder(AppPath) + "bak"},
        {"Title", kUpdaterTitle},
    };
    for (const auto& setting : settings) {
        SetLine(lines, setting.key, setting.value);
    }

    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    errno = 0;
    if (!platform::ReplaceFileContents(fileName, bytes)) {
        RaiseFileError("Cannot create file", fileName, errno);
    }
}
