#pragma once

#include <string>
#include <vector>

#include "ListeningName.h"

namespace platform {

// The single-instance lock of one user: held from a successful TryAcquire until the process ends.
// The kernel drops it with the process, so a crash never blocks the next start, and programs
// started by this one do not inherit it. Another user's lock of the same name is another lock.
// Every start of the user meets it whatever its environment, since it is found from the user's id
// alone: a locked file in the user's home folder from the password database, and one in
// /run/user/<uid>, each only where that folder is the user's alone, so that no other user can
// make, open or hold the file. A user with no such home (a system account) also takes a listening
// name in the machine's namespace that holds the user's id; anybody could take that name first,
// so it counts as held only when a process of this user listens on it.
class SingleInstance {
public:
    explicit SingleInstance(std::string name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process of this user holds the lock of this name.
    bool TryAcquire();

private:
    enum class Found { Taken, HeldElsewhere, NotHere };
    // The lock file name in folder, when that folder is the user's alone.
    Found LockIn(const std::string& folder, const std::string& name);
    void Release();

    std::string name_;
    std::vector<int> fds_;
    ListeningName listening_;
};

}  // namespace platform
