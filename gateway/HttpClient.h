#pragma once

#include <curl/curl.h>

#include "CurlSetup.h"

#include <memory>
#include <string>

// The HTTP client every gateway request and the version check own: one synchronous transfer at
// a time, libcurl underneath.
//
// Settings, the same for every owner:
// - read time-out 10 s: a transfer during which no data moves for 10 s fails;
// - connection attempt bounded to 10 s, so a dead network cannot hold the till for minutes;
// - the whole request bounded to 60 s, so that a server or a line that trickles its reply a byte
//   at a time cannot hold the window (and the money in flight) for ever; a list of 10,000 orders
//   still arrives on a slow line;
// - a reply that has arrived whole is kept: no bound fails it (it may be a payment already
//   made);
// - redirects are not followed, and a status outside 200-299 is a failed transfer;
// - only http and https; no proxy, whatever the environment says;
// - https needs TLS 1.2 or later and a server certificate that verifies against the system's
//   trust store and names the host of the URL. A gateway with a private CA is trusted by adding
//   that CA to the system store; the environment variable CURL_CA_BUNDLE, when set, names a CA
//   file to use instead (as the curl tool does), which is how the tests trust their own CA;
// - a reply is held in memory up to kMaxReplyBytes; a longer one fails the transfer;
// - every transfer opens its own connection and closes it when done.
class THttpClient {
public:
    static constexpr long kConnectTimeoutMs = 10000;
    static constexpr size_t kMaxReplyBytes = 4 * 1024 * 1024;

    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // The bounds every request is held to; tests shorten them (and put them back).
    static platform::TransferBounds& Bounds();

    // The reply body. Raises Exception with the reason when the transfer fails.
    std::string Post(const std::string& url, const std::string& body);
    std::string Get(const std::string& url);

private:
    std::string Transfer(const std::string& url, const std::string* body);

    struct CurlFree {
        void operator()(CURL* curl) const;
    };
    std::unique_ptr<CURL, CurlFree> curl_;
};
