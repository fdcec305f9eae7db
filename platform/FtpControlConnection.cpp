#include "FtpControlConnection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <string_view>

namespace platform {
namespace {

// A reply's last line: three digits and a blank.
bool ConfirmsTransfer(std::string_view line) {
    return line.size() >= 4 && line[3] == ' ' &&
           (line.starts_with("226") || line.starts_with("250"));
}

}  // namespace

void FtpControlConnection::Watch(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, Open);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, Close);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
}

bool FtpControlConnection::TransferConfirmed() const {
    // Only the control connection and the listening socket of an active transfer are opened here
    // (the data connection is accepted); peeking leaves the bytes for libcurl.
    for (curl_socket_t socket : sockets_) {
        char buffer[1024];
        ssize_t n = ::recv(socket, buffer, sizeof buffer, MSG_PEEK | MSG_DONTWAIT);
        std::string_view unread(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        for (size_t start = 0, end; (end = unread.find('\n', start)) != unread.npos;
             start = end + 1) {
            if (ConfirmsTransfer(unread.substr(start, end - start))) {
                return true;
            }
        }
    }
    return false;
}

curl_socket_t FtpControlConnection::Open(void* self, curlsocktype, curl_sockaddr* address) {
    curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        static_cast<FtpControlConnection*>(self)->sockets_.push_back(socket);
    }
    return socket;
}

int FtpControlConnection::Close(void* self, curl_socket_t socket) {
    std::erase(static_cast<FtpControlConnection*>(self)->sockets_, socket);
    return ::close(socket);
}

}  // namespace platform
