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
#include <vector>

namespace platform {

namespace {

// A folder counts only when it is this user's alone: nobody else can make a file there, so
// nobody else can hold a lock in it.
bool IsPrivateFolder(const char* folder, struct stat& info) {
    return *folder == '/' && ::lstat(folder, &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The user's runtime folder is found from the user's id, since a start by cron, sudo -u or a
// unit has no session variable; the session's folder is added when it is another one.
std::vector<std::string> PrivateRuntimeFolders() {
    std::vector<std::string> folders;
    const std::string byId = "/run/user/" + std::to_string(::getuid());
    struct stat own {};
    if (IsPrivateFolder(byId.c_str(), own)) {
        folders.push_back(byId);
    }
    const char* session = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (session && IsPrivateFolder(session, info) &&
        (folders.empty() || info.st_dev != own.st_dev || info.st_ino != own.st_ino)) {
        folders.emplace_back(session);
    }
    return folders;
}

enum class Holder { ThisUser, Unknown, Another };

// Who listens on the name: a connect learns it. A name that is bound but not listened on is not
// ours (ours always listens). A full queue tells nobody: every refused start leaves its
// connection there, never taken, so a till restarted by cron every minute fills it within days.
Holder WhoListens(const sockaddr_un& address, socklen_t size) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Holder::Unknown;
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    Holder holder = Holder::Another;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        holder = errno == EAGAIN ? Holder::Unknown : Holder::Another;
    } else if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
               peer.uid == ::getuid()) {
        holder = Holder::ThisUser;
    }
    ::close(fd);
    return holder;
}

}  // namespace

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::TryAcquire() {
    // Always in the same order, stopping at the first lock held: two starts that race cannot
    // each hold a lock that refuses the other, which would leave no till running.
    for (const std::string& folder : PrivateRuntimeFolders()) {
        if (!Keep(LockFile(folder + "/" + name_ + ".lock"))) {
            return false;
        }
    }
    // A name held by nobody knows whom counts as ours where no file lock guards: that is a full
    // queue of our own far more often than a stranger who filled it on purpose.
    const int fd = ListenOnName();
    return Keep(fd == kHolderUnknown && fds_.empty() ? kHeldElsewhere : fd);
}

bool SingleInstance::Keep(int fd) {
    if (fd == kHeldElsewhere) {
        Release();
        return false;
    }
    // A lock that cannot be had leaves the others to guard, and with none at all the till
    // still starts: better a second copy than no till at all.
    if (fd >= 0) {
        fds_.push_back(fd);
    }
    return true;
}

void SingleInstance::Release() {
    for (int fd : fds_) {
        ::close(fd);
    }
    fds_.clear();
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

int SingleInstance::ListenOnName() const {
    // An abstract-namespace socket: no file to clean up, gone when the last holder exits. The
    // namespace is the machine's: the real user's id keeps another user's copy (a second
    // cashier's session) from holding this user's lock, and since anybody can take the name
    // first, it is listened on so that a later start can ask whose it is.
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
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::listen(fd, SOMAXCONN) == 0) {
        return fd;
    }
    const bool taken = errno == EADDRINUSE;
    ::close(fd);
    if (!taken) {
        return -1;
    }
    switch (WhoListens(address, size)) {
        case Holder::ThisUser:
            return kHeldElsewhere;
        case Holder::Unknown:
            return kHolderUnknown;
        default:
            return -1;
    }
}

}  // namespace platform
