#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "WholeFile.h"

// The Windows profile-file rules the configuration files have always followed: the file is read
// and written on every call (nothing cached), its text is code page 936, section and key names
// match without regard to case, a value loses the blanks around it and one pair of enclosing
// quotes, and a value is read up to 2047 characters. Names and values here are UTF-8.
namespace platform {

constexpr size_t kProfileValueLimit = 2047;

// The value of key in section, or def when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& fileName);

// Sets key to value in section, adding the section and the key when missing. With no key the
// whole section goes; with no value the key goes. The file is replaced whole, never left half
// written. False when the file cannot be written.
bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& fileName);

}  // namespace platform
