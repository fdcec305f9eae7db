#pragma once

#include <curl/curl.h>

#include <vector>

namespace platform {

// What an FTP server has already said on its control connection while libcurl still reads the
// data connection. libcurl reads the control connection again only once the data connection has
// closed, and a server may hold that open after the last byte of the file.
class FtpControlConnection {
public:
    FtpControlConnection() = default;
    FtpControlConnection(const FtpControlConnection&) = delete;
    FtpControlConnection& operator=(const FtpControlConnection&) = delete;

    // Has libcurl open and close the transfer's sockets through this object, which must outlive
    // the transfer.
    void Watch(CURL* curl);
    // Whether the server's reply that the transfer is complete (226 or 250) waits there, unread.
    bool TransferConfirmed() const;

private:
    static curl_socket_t Open(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int Close(void* self, curl_socket_t socket);

    std::vector<curl_socket_t> sockets_;
};

}  // namespace platform
