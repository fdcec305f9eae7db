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

// True when the bytes are well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing
// past U+10FFFF).
bool IsUtf8(std::string_view bytes);

// Text from outside that does not say its encoding (an FTP server's reply, a ZIP entry's name):
// the bytes themselves where they are valid UTF-8, otherwise read as code page 936, which the
// tills' servers and tools have always written.
std::string Utf8OrGbkToUtf8(std::string_view bytes);

// The text as it comes back from a trip through code page 936 (characters it cannot hold are
// "?"): what a program that keeps its text in that code page would have seen.
std::string ThroughGbk(std::string_view utf8);

}  // namespace platform
