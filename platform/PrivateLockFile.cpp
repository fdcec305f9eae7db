#include "PrivateLockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace platform {
namespace {

constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

LockTry Unavailable(int fd, std::string why) {
    if (fd >= 0) {
        ::close(fd);
    }
    return {LockTry::Outcome::Unavailable, -1, std::move(why)};
}

// The regular file at the name, opened without waiting and without becoming a terminal whatever
// stands there, and what it is; -1, with why, when it is not one or cannot be opened.
int OpenRegularFile(int folder, const std::string& name, const std::string& path, int create,
                    struct stat& info, std::string& why) {
    const int fd =
        ::openat(folder, name.c_str(),
                 O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | create, 0600);
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        why = path + " cannot be opened: " + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        why = path + " is not a regular file";
    } else {
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

LockTry Lock(int fd, const std::string& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return {LockTry::Outcome::Taken, fd, {}};
    }
    if (errno == EWOULDBLOCK) {
        ::close(fd);
        return {LockTry::Outcome::HeldElsewhere, -1, {}};
    }
    return Unavailable(fd, path + " cannot be locked: " + std::strerror(errno));
}

}  // namespace

int OpenFolder(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

LockTry LockPrivateFile(int folder, const std::string& name, const std::string& path) {
    struct stat info {};
    std::string why;
    const int fd = OpenRegularFile(folder, name, path, O_CREAT, info, why);
    if (fd < 0) {
        return Unavailable(fd, why);
    }
    if (info.st_uid != ::geteuid()) {
        return Unavailable(fd, path + " belongs to user " + std::to_string(info.st_uid));
    }
    // Taking the bits away does not close what others opened while they had them.
    const bool wasOpenToOthers = (info.st_mode & kOthersBits) != 0;
    if (wasOpenToOthers && ::fchmod(fd, info.st_mode & ~kOthersBits) != 0) {
        return Unavailable(fd, path + " cannot be kept from others: " + std::strerror(errno));
    }
    LockTry lock = Lock(fd, path);
    if (wasOpenToOthers && lock.outcome == LockTry::Outcome::HeldElsewhere) {
        lock.why = path + " could be opened by other users, and one of them may hold its lock";
        lock.outcome = LockTry::Outcome::Unavailable;
    }
    return lock;
}

LockTry LockExistingFile(int folder, const std::string& name, const std::string& path) {
    struct stat info {};
    std::string why;
    const int fd = OpenRegularFile(folder, name, path, 0, info, why);
    return fd < 0 ? Unavailable(fd, why) : Lock(fd, path);
}

}  // namespace platform
