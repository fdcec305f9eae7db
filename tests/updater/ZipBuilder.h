#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes ZIP archives for the tests with libzip: entries with their bytes, their Unix mode or
// none, stored or deflated.
class ZipBuilder {
public:
    struct Entry {
        std::string name;
        std::string bytes;
        uint32_t unixMode = 0;  // with its file type bits; 0: no Unix attributes stored
        bool deflate = true;
    };

    ZipBuilder& File(const std::string& name, const std::string& bytes, uint32_t mode = 0100644);
    ZipBuilder& Folder(const std::string& name);
    ZipBuilder& Symlink(const std::string& name, const std::string& target);
    ZipBuilder& Stored(const std::string& name, const std::string& bytes);
    // Throws std::runtime_error when libzip cannot write it.
    void Write(const std::string& archive) const;

private:
    std::vector<Entry> entries_;
};
