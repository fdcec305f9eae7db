#include "InstallLock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FileDescriptor.h"
#include "FileOwner.h"
#include "PrivateLockFile.h"

namespace platform {

namespace {

// One name whatever the program is called: every updater of the install meets it.
constexpr const char* kLockFile = "Update.lock";

}  // namespace

InstallLock::~InstallLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

InstallLock::Outcome InstallLock::TryAcquire() {
    // Root makes nothing where another user could change the lock, but still meets an updater
    // that runs there already, such as the cashier's on the cashier's own install.
    const std::string path = folder_ + kLockFile;
    const std::string othersCanChange = RunsAsSuperUser() ? OthersCanChange(path) : "";
    LockTry lock;
    struct stat info {};
    if (const FileDescriptor folder(OpenFolder(folder_));
        !folder || ::fstat(folder.get(), &info) != 0) {
        lock.why = folder_ + " cannot be opened: " + std::strerror(errno);
    } else {
        // Whoever may write the folder works in the install: a shop's group of cashiers too.
        const LockKeepers keepers = LockKeepers::WritersOf(info);
        lock = othersCanChange.empty() ? LockPrivateFile(folder.get(), kLockFile, path, keepers)
                                       : LockExistingFile(folder.get(), kLockFile, path, keepers);
    }
    if (lock.outcome == LockTry::Outcome::HeldElsewhere) {
        return Outcome::HeldElsewhere;
    }
    if (!othersCanChange.empty()) {
        if (lock.fd >= 0) {
            ::close(lock.fd);
        }
        why_ = othersCanChange;
        return Outcome::OthersCanChange;
    }
    if (lock.outcome == LockTry::Outcome::Taken) {
        fd_ = lock.fd;
        return Outcome::Taken;
    }
    why_ = lock.why;
    return Outcome::Unavailable;
}

}  // namespace platform
