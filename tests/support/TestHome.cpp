#include "TestHome.h"

#include <stdlib.h>

#include <filesystem>

#include "TemporaryFolder.h"

namespace {
constexpr const char* kVariable = "VELPAY_TEST_HOME";
}

TestHome::TestHome() : path_(MakeTemporaryFolder("velpay-home-").string()) {
    if (const char* value = getenv(kVariable)) {
        saved_ = value;
    }
    setenv(kVariable, path_.c_str(), 1);
}

TestHome::~TestHome() {
    if (saved_) {
        setenv(kVariable, saved_->c_str(), 1);
    } else {
        unsetenv(kVariable);
    }
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}
