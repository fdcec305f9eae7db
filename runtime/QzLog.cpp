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

void AppendEntry(const std::string& message) {
    std::string folder = AppPath + "Log";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw EInOutError("Cannot create folder " + folder + ": " + ec.message());
    }
    std::string fileName = folder + "/log" + LocalTimeText("%Y%m%d") + ".txt";
    std::string entry = LocalTimeText() + "\r\n" + message + "\r\n";

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "ab"));
    if (!file) {
        throw EInOutError("Cannot open file " + fileName);
    }
    if (std::fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size() ||
        std::fflush(file.get()) != 0) {
        throw EInOutError("Cannot write file " + fileName);
    }
}

// An entry that cannot be logged is not lost: the reason and the entry itself go to standard
// error, where they cannot stand between the caller and what it goes on to do.
void WriteOrReport(void (*write)(const std::string&), const std::string& text) {
    try {
        write(text);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
}

}  // namespace

void WriteLog(const std::string& Msg) {
    AppendEntry(platform::Utf8ToGbk(Msg));
}

void WriteLogBytes(const std::string& Bytes) {
    AppendEntry(Bytes);
}

void WriteLogOrStderr(const std::string& Msg) {
    WriteOrReport(WriteLog, Msg);
}

void WriteLogBytesOrStderr(const std::string& Bytes) {
    WriteOrReport(WriteLogBytes, Bytes);
}
