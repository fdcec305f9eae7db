#include "SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

// The session's runtime folder, when it is this user's alone: nobody else can make a file
// there, so nobody else can hold a lock in it.
const char* PrivateRuntimeFolder() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (!folder || *folder != '/' || ::lstat(folder, &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return nullptr;
    }
    return folder;
}

}  // namespace

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool SingleInstance::TryAcquire() {
    const char* folder = PrivateRuntimeFolder();
    int fd = folder ? LockFile(std::string(folder) + "/" + name_ + ".lock") : BindName();
    if (fd == kHeldElsewhere) {
        return false;
    }
    fd_ = fd;
    return true;  // also with no lock to be had: better a second copy than no till at all
}

int SingleInstance::LockFile(const std::string& path) const {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? kHeldElsewhere : -1;
    }
    return fd;
}

int SingleInstance::BindName() const {
    // An abstract-namespace socket: no file to clean up, gone when the last holder exits. The
    // namespace is the machine's: the real user's id keeps another user's copy (a second
    // cashier's session) from holding this user's lock.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string name = "velpay-instance/" + std::to_string(::getuid()) + "/" + name_;
    size_t length = std::min(name.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0) {
        ::close(fd);
        return kHeldElsewhere;
    }
    return fd;
}

}  // namespace platform
