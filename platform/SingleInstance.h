#pragma once

#include <string>
#include <vector>

#include "ListeningName.h"

namespace platform {

// The single-instance lock of one user on one machine: held from a successful TryAcquire until
// the process ends. The kernel drops it with the process, so a crash never blocks the next start,
// and programs started by this one do not inherit it. Another user's lock of the same name is
// another lock. Every start of the user on the machine meets it whatever its environment, since it
// is found from the user's id alone: a locked file in the user's home folder from the password
// database, named for the machine so that machines sharing a home never meet, and one in
// /run/user/<uid>, each only where that folder is the user's alone, so that no other user can
// make or hold the file there (a file once open to them gives way to a new one). Every start also
// takes a listening name in the machine's namespace that holds the user's id, and meets a copy
// started before the home was there through it; anybody could take that name first, so it counts
// as held only when a process of this user listens on it. A lock that cannot be used is told on
// standard error, and the others guard.
// The name of the lock file of program name in the user's home on this machine.
std::string HomeLockName(const std::string& name);

// The listening name of program name for this user with this home: it holds the user's id and
// the home, which is one per user wherever the till runs, and which the tests' own stands in for.
std::string InstanceName(const std::string& name, const std::string& home);

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
