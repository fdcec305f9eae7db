#pragma once

#include <string>

namespace platform {

// The lock of an install, held from a successful TryAcquire until the process ends: one process
// at a time works in the folder, whoever runs it and from whatever environment, since every one
// started from it meets the same file there. That file is one that only a user who may work in the
// install can open (its maker's, mode 0600, never a link), so another user's lock on the folder or
// on any file they can open changes nothing. The kernel drops the lock with the process, and
// programs started by this one do not inherit it.
class InstallLock {
public:
    enum class Outcome {
        Taken,
        HeldElsewhere,
        // As root in a folder another user can change, where root makes nothing and only a lock
        // already there is met: Why() names what they can change.
        OthersCanChange,
        Unavailable,  // Why() says why
    };

    // folder ends with "/".
    explicit InstallLock(std::string folder) : folder_(std::move(folder)) {}
    ~InstallLock();
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

    Outcome TryAcquire();
    const std::string& Why() const { return why_; }

private:
    std::string folder_;
    std::string why_;
    int fd_ = -1;
};

}  // namespace platform
