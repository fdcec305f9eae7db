#pragma once

#include <string>

namespace platform {

// The single-instance lock of one user: held from a successful TryAcquire until the process ends.
// The kernel drops it with the process, so a crash never blocks the next start, and programs
// started by this one do not inherit it. Another user's lock of the same name is another lock.
class SingleInstance {
public:
    explicit SingleInstance(std::string name) : name_(std::move(name)) {}
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process of this user holds the lock of this name.
    bool TryAcquire();

private:
    std::string name_;
    int fd_ = -1;
};

}  // namespace platform
