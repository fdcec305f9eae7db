#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "QzRuntimeGlobal.h"

// The routines under test log their failures beside the program; a fuzzer run fails millions of
// times, so the log goes to a folder of its own that is emptied now and then.
class FuzzFolder {
public:
    FuzzFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velpay-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            abort();
        }
        AppPath = pattern + "/";
        std::filesystem::create_directories(AppPath + "Parameter");
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(AppPath, ec);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    void AfterRun() {
        if (++runs_ % 4096 == 0) {
            std::error_code ec;
            std::filesystem::remove_all(AppPath + "Log", ec);
        }
    }

private:
    unsigned runs_ = 0;
};
