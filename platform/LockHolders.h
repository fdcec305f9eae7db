#pragma once

#include <sys/types.h>

#include <vector>

namespace platform {

// A process holding a file's flock, as the kernel's table of locks names it, and whom it runs
// as where this process can see it.
struct LockHolder {
    // False when this process cannot see it: it runs in another PID namespace, has ended while a
    // child kept the lock, or the process table hides other users' processes.
    bool seen = false;
    uid_t uid = 0;              // the real user
    std::vector<gid_t> groups;  // the real group and the supplementary groups
};

// The processes other than this one that hold a flock on the file with this device and inode.
std::vector<LockHolder> FlockHoldersOf(dev_t device, ino_t inode);

}  // namespace platform
