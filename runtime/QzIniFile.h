#pragma once

#include <string>

// The configuration file object: every call goes to the file (nothing is cached), with the
// profile rules of platform/PrivateProfile. Writes that the system refuses raise
// EIniFileException "Unable to write to <file>".
class TIniFile {
public:
    explicit TIniFile(std::string fileName) : FileName(std::move(fileName)) {}

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void EraseSection(const std::string& section);

    const std::string FileName;
};

// Integer text as the configuration files hold it: optional sign, then decimal digits, or
// hexadecimal digits after "$" or "0x"/"0X". False for anything else, the empty text included.
bool TryStrToInt(const std::string& text, int& value);
