#include "LockHolders.h"

#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ProcessStatus.h"

namespace platform {

namespace {

// Whom the process runs as, from its status; unseen when that cannot be read.
LockHolder HolderOf(pid_t pid) {
    LockHolder holder;
    if (pid <= 0) {
        return holder;  // the kernel names no process it cannot show here
    }
    const std::map<std::string, std::string> status = ProcessStatus(std::to_string(pid));
    const auto user = status.find("Uid");
    const auto group = status.find("Gid");
    const auto groups = status.find("Groups");
    if (user == status.end() || group == status.end() || groups == status.end()) {
        return holder;
    }
    // Each lists the real one first.
    holder.seen = static_cast<bool>(std::istringstream(user->second) >> holder.uid);
    gid_t id = 0;
    if (std::istringstream(group->second) >> id) {
        holder.groups.push_back(id);
    }
    for (std::istringstream all(groups->second); all >> id;) {
        holder.groups.push_back(id);
    }
    return holder;
}

}  // namespace

std::vector<LockHolder> FlockHoldersOf(dev_t device, ino_t inode) {
    std::vector<LockHolder> holders;
    std::ifstream table("/proc/locks");
    for (std::string line; std::getline(table, line);) {
        // "1: FLOCK  ADVISORY  WRITE 7220 fe:00:10953179 0 EOF"; a waiter's line has "->"
        // before its type, and a lock of fcntl's kind never stands in a flock's way.
        std::istringstream fields(line);
        std::string number, type, kind, access, file;
        pid_t pid = 0;
        if (!(fields >> number >> type >> kind >> access >> pid >> file) || type != "FLOCK") {
            continue;
        }
        unsigned int major = 0, minor = 0;
        unsigned long long node = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &node) == 3 &&
            major == ::major(device) && minor == ::minor(device) && node == inode &&
            pid != ::getpid()) {
            holders.push_back(HolderOf(pid));
        }
    }
    return holders;
}

}  // namespace platform
