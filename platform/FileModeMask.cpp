#include "FileModeMask.h"

#include <sys/stat.h>

#include <charconv>
#include <map>
#include <string>

#include "FileOwner.h"
#include "ProcessStatus.h"

namespace platform {

unsigned FileModeMask() {
    // The kernel tells it without a change: setting it to learn it would leave it changed for a
    // moment under every other thread.
    const std::map<std::string, std::string> status = ProcessStatus("self");
    if (const auto field = status.find("Umask"); field != status.end()) {
        const std::string& text = field->second;
        const size_t start = text.find_first_not_of(" \t");
        unsigned mask = 0;
        if (start != std::string::npos &&
            std::from_chars(text.data() + start, text.data() + text.size(), mask, 8).ec ==
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
