#include "CurlSetup.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace platform {

void EnsureCurlGlobalInit() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (initialised != CURLE_OK) {
        throw std::runtime_error(std::string("HTTP library could not start: ") +
                                 curl_easy_strerror(initialised));
    }
}

void RequireVerifiedTls(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* caFile = std::getenv("CURL_CA_BUNDLE"); caFile && *caFile) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile);
    }
}

TransferWatch::TransferWatch(const TransferBounds& bounds)
    : bounds_(bounds), start_(Clock::now()), lastActivity_(start_), windowStart_(start_) {}

bool TransferWatch::Expired(curl_off_t expected, curl_off_t received, curl_off_t sent) {
    if (!reason_.empty()) {
        return true;
    }
    const bool whole = expected > 0 && received >= expected;
    const auto now = Clock::now();
    const auto ms = [](std::chrono::milliseconds bound) { return std::to_string(bound.count()); };
    if (received + sent != moved_) {
        moved_ = received + sent;
        lastActivity_ = now;
    }
    if (bounds_.Silence.count() > 0 && now - lastActivity_ >= bounds_.Silence) {
        reason_ = "Read timed out: nothing received for " + ms(bounds_.Silence) + " ms";
    } else if (whole) {
        return false;
    } else if (bounds_.Whole.count() > 0 && now - start_ >= bounds_.Whole) {
        reason_ = "Transfer not completed within " + ms(bounds_.Whole) + " ms";
    } else if (bounds_.FloorBytes > 0 && now - windowStart_ >= bounds_.FloorWindow) {
        if (moved_ - movedAtWindowStart_ < bounds_.FloorBytes) {
            reason_ = "Transfer too slow: fewer than " + std::to_string(bounds_.FloorBytes) +
                      " bytes in " + ms(bounds_.FloorWindow) + " ms";
        }
        windowStart_ = now;
        movedAtWindowStart_ = moved_;
    }
    return !reason_.empty();
}

}  // namespace platform
