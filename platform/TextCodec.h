#pragma once

#include <string>
#include <string_view>

// The programs hold UTF-8; the outside world (INI files, logs, receipts on a port) keeps the
// code page 936 bytes the tills have always written. These are the only crossings.
namespace platform {

// UTF-8 to code page 936. A character the code page cannot hold, or a broken UTF-8 sequence,
// becomes "?", as the Windows conversion does.
std::string Utf8ToGbk(std::string_view utf8);

// Code page 936 to UTF-8. Bytes that are not valid code page 936 become "?".
std::string GbkToUtf8(std::string_view gbk);

// The text as it comes back from a trip through code page 936 (characters it cannot hold are
// "?"): what a program that keeps its text in that code page would have seen.
std::string ThroughGbk(std::string_view utf8);

}  // namespace platform
