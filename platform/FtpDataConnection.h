#pragma once

#include <curl/curl.h>

namespace platform {

// The data connection of an active FTP transfer, which the server opens to us. libcurl reads it
// to its end and only then reads the server's reply that closes the transfer, and a server may
// hold it open after the last byte of the file: once the whole file is in, this side ends it.
class FtpDataConnection {
public:
    FtpDataConnection() = default;
    FtpDataConnection(const FtpDataConnection&) = delete;
    FtpDataConnection& operator=(const FtpDataConnection&) = delete;

    // Has libcurl hand over the transfer's data connection when it accepts it; this object must
    // outlive the transfer.
    void Watch(CURL* curl);
    // Ends the data connection as a server closing it would: libcurl reads its end, closes it
    // and goes on to the server's reply. Only from a callback that libcurl makes while it still
    // reads the data connection (libcurl alone closes it, and its number may then be reused);
    // once.
    void End();

private:
    static int Accepted(void* self, curl_socket_t socket, curlsocktype purpose);

    curl_socket_t socket_ = CURL_SOCKET_BAD;
};

}  // namespace platform
