#pragma once

#include <curl/curl.h>

namespace platform {

// The goodbye after an FTP transfer. libcurl keeps the control connection for a next transfer
// and, when the handle goes, says QUIT and waits for the server's answer as long as for any
// reply: a server that never answers would hold the updater that long after its file, whatever
// the transfer's outcome. This says QUIT on the control connection libcurl still holds, if any,
// and ends the connection at once without waiting for the answer; libcurl then finds it ended and
// waits for nothing. Call after curl_easy_perform and before curl_easy_cleanup.
void EndFtpControlConnection(CURL* curl);

}  // namespace platform
