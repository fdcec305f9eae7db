#include "TestFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

TestFolder::TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velpay-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern + "/";
    savedAppPath_ = AppPath;
    AppPath = path_;
}

TestFolder::~TestFolder() {
    AppPath = savedAppPath_;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(File(name)).parent_path());
    std::ofstream(File(name), std::ios::binary) << bytes;
}

std::string TestFolder::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Gbk(const std::string& utf8) {
    return platform::Utf8ToGbk(utf8);
}
