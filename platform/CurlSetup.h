#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

// What every libcurl transfer of the programs shares: the library's one-time start, the TLS
// rules for "https", and the bounds on how long a transfer may wait.
namespace platform {

// libcurl's global set-up is not thread-safe; doing it once, before the first handle, keeps it
// out of every later call. Raises std::runtime_error when the library cannot start.
void EnsureCurlGlobalInit();

// TLS 1.2 or later and a server certificate that verifies against the system's trust store and
// names the host of the URL. The environment variable CURL_CA_BUNDLE, when set, names a CA file
// to use instead (as the curl tool does).
void RequireVerifiedTls(CURL* curl);

// How long a transfer may wait; a zero leaves that bound out.
// - Silence, the read time-out: no byte has moved either way for that long. libcurl's own
//   low-speed check averages over a window and would wait several seconds more.
// - Whole: the transfer has lasted that long, however its bytes come.
// - The floor: fewer than FloorBytes moved in one FloorWindow. A server that sends a byte now
//   and then never falls silent, and a package may take too long to bound as a whole.
struct TransferBounds {
    std::chrono::milliseconds Silence{0};
    std::chrono::milliseconds Whole{0};
    int64_t FloorBytes = 0;
    std::chrono::milliseconds FloorWindow{0};
};

// One transfer held to its bounds, fed from libcurl's transfer-info callback (which libcurl
// calls at least once a second, also while nothing arrives).
class TransferWatch {
public:
    using Clock = std::chrono::steady_clock;
    explicit TransferWatch(const TransferBounds& bounds);

    // True once a bound has been passed: the callback then ends the transfer. A body that has
    // arrived whole (all of the expected length received; 0 when the length is not known) passes
    // the bound on the whole transfer and the floor: the reply may be a payment already made.
    // Only silence still bounds what is awaited after it (an FTP server's reply that closes the
    // transfer), so that no transfer waits for ever.
    bool Expired(curl_off_t expected, curl_off_t received, curl_off_t sent);
    // The bound passed, in words; empty while the transfer keeps within them.
    const std::string& Reason() const { return reason_; }

private:
    TransferBounds bounds_;
    Clock::time_point start_;
    Clock::time_point lastActivity_;
    Clock::time_point windowStart_;
    curl_off_t moved_ = 0;
    curl_off_t movedAtWindowStart_ = 0;
    std::string reason_;
};

}  // namespace platform
