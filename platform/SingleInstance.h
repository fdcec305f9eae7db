#pragma once

#include <string>
#include <vector>

namespace platform {

// The single-instance lock of one user: held from a successful TryAcquire until the process ends.
// The kernel drops it with the process, so a crash never blocks the next start, and programs
// started by this one do not inherit it. Another user's lock of the same name is another lock.
// It is every lock of the name that can be had, and a start is refused when another process of
// this user holds any one of them, so that copies started with and without a desktop session
// still meet. The locks are a locked file in each of the user's own runtime folders (the one for
// the user's id, and the session's), which no other user can take, and a listening socket whose
// name in the machine's namespace holds the user's id; anybody could take that name first, so it
// counts as held only when a process of this user listens on it.
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
    static constexpr int kHolderUnknown = -3;
    // The held descriptor; -1 when this lock cannot be had here, kHeldElsewhere when another
    // process of this user holds it, kHolderUnknown when a process that cannot be asked does.
    int LockFile(const std::string& path) const;
    int ListenOnName() const;
    // Keeps what LockFile or ListenOnName gave; false, with every lock let go, when it is held
    // elsewhere.
    bool Keep(int fd);
    void Release();

    std::string name_;
    std::vector<int> fds_;
};

}  // namespace platform
