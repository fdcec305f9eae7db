#pragma once

#include <string>

// A fresh temporary folder for one test, removed with everything in it afterwards. While it
// lives, AppPath points at it, so the log, Config and Parameter land there.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder with a trailing "/".
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string path_;
    std::string savedAppPath_;
};

// Bytes of a UTF-8 text in code page 936, for writing fixtures as the tills hold them.
std::string Gbk(const std::string& utf8);
