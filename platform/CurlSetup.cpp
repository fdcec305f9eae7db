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

bool SilenceWatch::Expired(curl_off_t received, curl_off_t sent) {
    auto now = Clock::now();
    if (received != lastReceived_ || sent != lastSent_) {
        lastReceived_ = received;
        lastSent_ = sent;
        lastActivity_ = now;
        return false;
    }
    if (now - lastActivity_ >= limit_) {
        timedOut_ = true;
    }
    return timedOut_;
}

}  // namespace platform
