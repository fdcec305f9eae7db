#include "TestFolder.h"

#include <filesystem>

#include "FileBytes.h"
#include "QzRuntimeGlobal.h"
#include "TemporaryFolder.h"
#include "TextCodec.h"

TestFolder::TestFolder() {
    path_ = MakeTemporaryFolder("velpay-test-").string() + "/";
    savedAppPath_ = AppPath;
    AppPath = path_;
}

TestFolder::~TestFolder() {
    AppPath = savedAppPath_;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
    WriteBytes(File(name), bytes);
}

std::string TestFolder::Read(const std::string& name) const {
    return ReadBytes(File(name));
}

std::string Gbk(const std::string& utf8) {
    return platform::Utf8ToGbk(utf8);
}
