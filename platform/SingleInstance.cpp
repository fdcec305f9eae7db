#include "SingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace platform {

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool SingleInstance::TryAcquire() {
    // An abstract-namespace socket: no file to clean up, gone when the last holder exits.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return true;  // no lock to be had; better a second copy than no till at all
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The namespace is the machine's: the real user's id keeps another user's copy (a second
    // cashier's session) from holding this user's lock.
    std::string name = "velpay-instance/" + std::to_string(::getuid()) + "/" + name_;
    size_t length = std::min(name.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace platform
