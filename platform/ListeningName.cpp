#include "ListeningName.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace platform {

namespace {

// How long a name that is bound but not listened on is asked again: a start of this user's may
// hold it between its bind and its listen.
constexpr auto kListenWait = std::chrono::milliseconds(200);
constexpr auto kAskAgainAfter = std::chrono::milliseconds(10);

struct Address {
    sockaddr_un address{};
    socklen_t size = 0;
};

Address AbstractAddress(const std::string& name) {
    Address at;
    at.address.sun_family = AF_UNIX;
    const size_t length = std::min(name.size(), sizeof(at.address.sun_path) - 1);
    std::memcpy(at.address.sun_path + 1, name.data(), length);
    at.size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return at;
}

const sockaddr* Raw(const Address& at) {
    return reinterpret_cast<const sockaddr*>(&at.address);
}

enum class Answer { ThisUser, Another, NotListening };

// Who listens on the name: a connection learns its user. A full queue is not this user's, whose
// holder keeps it empty.
Answer Ask(const Address& at) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Answer::Another;
    }
    Answer answer = Answer::Another;
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::connect(fd, Raw(at), at.size) != 0) {
        answer = errno == ECONNREFUSED ? Answer::NotListening : Answer::Another;
    } else if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
               peer.uid == ::getuid()) {
        answer = Answer::ThisUser;
    }
    ::close(fd);
    return answer;
}

}  // namespace

ListeningName::~ListeningName() {
    if (emptier_.joinable()) {
        const std::uint64_t one = 1;
        if (::write(stop_, &one, sizeof one) == sizeof one) {
            emptier_.join();
        } else {
            emptier_.detach();  // it goes with the process
        }
    }
    for (int fd : {socket_, stop_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

ListeningName::Holder ListeningName::Take() {
    // The namespace is the machine's: the real user's id in the name keeps another user's copy (a
    // second cashier's session) from meeting this user's.
    const Address at = AbstractAddress(name_);
    const auto end = std::chrono::steady_clock::now() + kListenWait;
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return Holder::Another;
        }
        if (::bind(fd, Raw(at), at.size) == 0) {
            return Listen(fd) ? Holder::ThisProcess : Holder::Another;
        }
        const bool taken = errno == EADDRINUSE;
        ::close(fd);
        const Answer answer = taken ? Ask(at) : Answer::Another;
        if (answer != Answer::NotListening || std::chrono::steady_clock::now() >= end) {
            return answer == Answer::ThisUser ? Holder::ThisUser : Holder::Another;
        }
        std::this_thread::sleep_for(kAskAgainAfter);
    }
}

bool ListeningName::Listen(int fd) {
    stop_ = ::eventfd(0, EFD_CLOEXEC);
    if (stop_ < 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    socket_ = fd;
    // The thread takes no signal: they stay the program's.
    sigset_t all{};
    sigset_t kept{};
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &kept);
    try {
        emptier_ = std::thread([this] { EmptyQueue(); });
    } catch (const std::system_error&) {
        // Without it the queue fills only after thousands of starts: the name still guards.
    }
    ::pthread_sigmask(SIG_SETMASK, &kept, nullptr);
    return true;
}

void ListeningName::EmptyQueue() const {
    pollfd watched[] = {{socket_, POLLIN, 0}, {stop_, POLLIN, 0}};
    while (true) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[1].revents != 0 || (watched[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return;
        }
        for (int connection;
             (connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            ::close(connection);
        }
    }
}

}  // namespace platform
