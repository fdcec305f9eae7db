#include "FtpControlConnection.h"

#include <sys/socket.h>

namespace platform {

void EndFtpControlConnection(CURL* curl) {
    curl_socket_t control = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &control) != CURLE_OK ||
        control == CURL_SOCKET_BAD) {
        return;  // libcurl closed it already
    }
    // Said, never awaited: the six bytes fit any socket buffer, and a send that fails changes
    // nothing. Shut down, not closed: the socket stays libcurl's, which closes it.
    static constexpr char kQuit[] = "QUIT\r\n";
    (void)::send(control, kQuit, sizeof kQuit - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(control, SHUT_RDWR);
}

}  // namespace platform
