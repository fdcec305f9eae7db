#include "FtpDataConnection.h"

#include <sys/socket.h>

namespace platform {

void FtpDataConnection::Watch(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, Accepted);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, this);
}

void FtpDataConnection::End() {
    // Shut down, not closed: the socket stays libcurl's, which sees its end and closes it.
    if (socket_ != CURL_SOCKET_BAD) {
        ::shutdown(socket_, SHUT_RDWR);
        socket_ = CURL_SOCKET_BAD;
    }
}

int FtpDataConnection::Accepted(void* self, curl_socket_t socket, curlsocktype purpose) {
    if (purpose == CURLSOCKTYPE_ACCEPT) {
        static_cast<FtpDataConnection*>(self)->socket_ = socket;
    }
    return CURL_SOCKOPT_OK;
}

}  // namespace platform
