#pragma once

#include <string>

namespace platform {

// The single-instance lock of one user: held from a successful TryAcquire until the process ends.
// The kernel drops it with the process, so a crash never blocks the next start, and programs
// started by this one do not inherit it. Another user's lock of the same name is another lock.
// In a desktop session it is a locked file in the user's own runtime folder, which no other user
// can take; elsewhere (no such folder) a name in the machine's socket namespace that holds the
// user's id.
class SingleInstance {
public:
    explicit SingleInstance(std::string name) : name_(std::move(name)) {}
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process of this user holds the lock of this name.
    bool TryAcquire();

private:
    static constexpr int kHeldElsewhere = -2;
    // The held descriptor; -1 when no lock can be had here, kHeldElsewhere when another process
    // of this user holds it.
    int LockFile(const std::string& path) const;
    int BindName() const;

    std::string name_;
    int fd_ = -1;
};

}  // namespace platform
