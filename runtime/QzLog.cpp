#include "QzLog.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "QzErrors.h"
#include "QzLocalTime.h"
#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void WriteLog(const std::string& Msg) {
    std::string folder = AppPath + "Log";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw EInOutError("Cannot create folder " + folder + ": " + ec.message());
    }
    std::string fileName = folder + "/log" + LocalTimeText("%Y%m%d") + ".txt";
    std::string entry = LocalTimeText() + "\r\n" + platform::Utf8ToGbk(Msg) + "\r\n";

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "ab"));
    if (!file) {
        throw EInOutError("Cannot open file " + fileName);
    }
    if (std::fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size() ||
        std::fflush(file.get()) != 0) {
        throw EInOutError("Cannot write file " + fileName);
    }
}
