#include "FileModeMask.h"

#include <sys/stat.h>

#include <charconv>
#include <fstream>
#include <string>
#include <string_view>

#include "FileOwner.h"

namespace platform {

unsigned FileModeMask() {
    // The kernel tells it without a change: setting it to learn it would leave it changed for a
    // moment under every other thread.
    std::ifstream status("/proc/self/status");
    constexpr std::string_view kField = "Umask:\t";
    for (std::string line; std::getline(status, line);) {
        unsigned mask = 0;
        if (line.starts_with(kField) &&
            std::from_chars(line.data() + kField.size(), line.data() + line.size(), mask, 8).ec ==
                std::errc()) {
            return mask;
        }
    }
    // Without /proc: the strictest mask stands in for the moment it is read.
    const mode_t mask = ::umask(0777);
    ::umask(mask);
    return mask;
}

void TightenFileModeMask() {
    const mode_t forbidden = RunsAsSuperUser() ? S_IWGRP | S_IWOTH : S_IWOTH;
    ::umask(static_cast<mode_t>(FileModeMask()) | forbidden);
}

}  // namespace platform
