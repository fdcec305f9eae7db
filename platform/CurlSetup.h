#pragma once

#include <curl/curl.h>

#include <chrono>

// What every libcurl transfer of the programs shares: the library's one-time start, the TLS
// rules for "https", and the read time-out.
namespace platform {

// libcurl's global set-up is not thread-safe; doing it once, before the first handle, keeps it
// out of every later call. Raises std::runtime_error when the library cannot start.
void EnsureCurlGlobalInit();

// TLS 1.2 or later and a server certificate that verifies against the system's trust store and
// names the host of the URL. The environment variable CURL_CA_BUNDLE, when set, names a CA file
// to use instead (as the curl tool does).
void RequireVerifiedTls(CURL* curl);

// The read time-out: the transfer ends when no byte has moved either way for that long.
// libcurl's own low-speed check averages over a window and would wait several seconds more.
// Fed from libcurl's transfer-info callback; Expired() is true once the silence lasted Limit.
class SilenceWatch {
public:
    using Clock = std::chrono::steady_clock;
    explicit SilenceWatch(std::chrono::milliseconds limit) : limit_(limit) {}

    bool Expired(curl_off_t received, curl_off_t sent);
    bool TimedOut() const { return timedOut_; }
    std::chrono::milliseconds Limit() const { return limit_; }

private:
    std::chrono::milliseconds limit_;
    Clock::time_point lastActivity_ = Clock::now();
    curl_off_t lastReceived_ = 0;
    curl_off_t lastSent_ = 0;
    bool timedOut_ = false;
};

}  // namespace platform
