#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "TestFolder.h"

// Everything the daily log holds in the test folder (all days, in case a test runs over
// midnight), as written: code page 936 bytes.
inline std::string LogText(const TestFolder& dir) {
    std::string text;
    std::error_code ec;
    for (const auto& file : std::filesystem::directory_iterator(dir.File("Log"), ec)) {
        std::ifstream in(file.path(), std::ios::binary);
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
}

// The number of entries: each starts with its time line.
inline size_t LogEntryCount(const TestFolder& dir) {
    static const std::regex timeLine(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n)");
    std::string text = LogText(dir);
    return static_cast<size_t>(std::distance(
        std::sregex_iterator(text.begin(), text.end(), timeLine), std::sregex_iterator()));
}
