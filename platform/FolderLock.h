#pragma once

#include <string>

namespace platform {

// A lock on a folder, held from a successful TryAcquire until the process ends: one process at a
// time works in it, whoever runs it and from whatever environment, since every process that can
// read the folder meets the same lock. The kernel drops it with the process, and programs started
// by this one do not inherit it.
class FolderLock {
public:
    explicit FolderLock(std::string folder) : folder_(std::move(folder)) {}
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False when another process holds the lock. A folder that cannot be opened has none to take:
    // whatever would work in it fails on its own.
    bool TryAcquire();

private:
    std::string folder_;
    int fd_ = -1;
};

}  // namespace platform
