#include "UnitCheckVer.h"

#include "CompareText.h"
#include "QzLog.h"
#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

namespace {

// The value named "ver" in a version file: the rest of the first line whose text before its
// first "=" is "ver" in any letter case, untrimmed; "" when there is none. Lines end at CR LF,
// LF or CR; a NUL byte ends the text.
std::string VersionFileValue(const std::string& text) {
    std::string_view rest(text.data(),
                          text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            bool crLf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            rest.remove_prefix(end + (crLf ? 2 : 1));
        }
        size_t equals = line.find('=');
        if (equals != std::string_view::npos &&
            platform::CompareTextIgnoreCase(line.substr(0, equals), "ver") == 0) {
            return std::string(line.substr(equals + 1));
        }
    }
    return {};
}

}  // namespace

bool TCheckVer::HaveNewVer() {
    if (SystemSet.BaseUrl.empty()) {
        return false;
    }
    std::string body;
    try {
        body = HttpClient.Get(SystemSet.BaseUrl + "/download/Update.txt");
    } catch (const std::exception& e) {
        WriteLogOrStderr(std::string("HaveNewVer异常:") + e.what());
        return false;
    }
    try {
        // The file is written in code page 936, as the tills keep their INI files.
        std::string version = VersionFileValue(platform::GbkToUtf8(body));
        return !version.empty() && platform::CompareTextIgnoreCase(version, kClientVersion) > 0;
    } catch (const std::exception& e) {
        WriteLogOrStderr("HaveNewVer异常(" + SystemSet.BaseUrl + "):" + e.what());
        return false;
    }
}
