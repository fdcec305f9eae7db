#pragma once

#include <sys/stat.h>

// Sets the file mode mask of this process, as a shop's login would set it; restored after.
class FileModeMaskGuard {
public:
    explicit FileModeMaskGuard(mode_t mask) : saved_(::umask(mask)) {}
    ~FileModeMaskGuard() { ::umask(saved_); }
    FileModeMaskGuard(const FileModeMaskGuard&) = delete;
    FileModeMaskGuard& operator=(const FileModeMaskGuard&) = delete;

private:
    mode_t saved_;
};
