#include "QzLog.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

#include "QzErrors.h"
#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

namespace {

std::string FormatNow(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &local);
    return buffer;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void AppendEntry(const std::string& message) {
    std::string folder = AppPath + "Log";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw EInOutError("Cannot create folder " + folder + ": " + ec.message());
    }
    std::string fileName = folder + "/log" + FormatNow("%Y%m%d") + ".txt";
    std::string entry = FormatNow("%Y-%m-%d %H:%M:%S") + "\r\n" + message + "\r\n";

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "ab"));
    if (!file) {
        throw EInOutError("Cannot open file " + fileName);
    }
    if (std::fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size() ||
        std::fflush(file.get()) != 0) {
        throw EInOutError("Cannot write file " + fileName);
    }
}

}  // namespace

void WriteLog(const std::string& Msg) {
    AppendEntry(platform::Utf8ToGbk(Msg));
}

void WriteLogBytes(const std::string& Bytes) {
    AppendEntry(Bytes);
}
