#include "HttpClient.h"

#include "QzErrors.h"

namespace {

struct Reply {
    std::string body;
    bool tooLarge = false;
};

size_t CollectReply(char* data, size_t size, size_t count, void* user) {
    auto* reply = static_cast<Reply*>(user);
    size_t bytes = size * count;
    if (reply->body.size() + bytes > THttpClient::kMaxReplyBytes) {
        reply->tooLarge = true;
        return 0;  // makes libcurl end the transfer with a write error
    }
    reply->body.append(data, bytes);
    return bytes;
}

int WatchBounds(void* user, curl_off_t expected, curl_off_t received, curl_off_t, curl_off_t sent) {
    return static_cast<platform::TransferWatch*>(user)->Expired(expected, received, sent) ? 1 : 0;
}

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

void THttpClient::CurlFree::operator()(CURL* curl) const {
    curl_easy_cleanup(curl);
}

platform::TransferBounds& THttpClient::Bounds() {
    static platform::TransferBounds bounds{.Silence = std::chrono::milliseconds(10000),
                                           .Whole = std::chrono::milliseconds(60000)};
    return bounds;
}

THttpClient::THttpClient() {
    platform::EnsureCurlGlobalInit();
    curl_.reset(curl_easy_init());
    if (!curl_) {
        throw Exception("HTTP client could not be created");
    }
}

THttpClient::~THttpClient() = default;

std::string THttpClient::Post(const std::string& url, const std::string& body) {
    return Transfer(url, &body);
}

std::string THttpClient::Get(const std::string& url) {
    return Transfer(url, nullptr);
}

std::string THttpClient::Transfer(const std::string& url, const std::string* body) {
    CURL* curl = curl_.get();
    curl_easy_reset(curl);

    char errorText[CURL_ERROR_SIZE] = "";
    Reply reply;
    // libcurl would otherwise wait a second for "100 Continue" before sending a larger body.
    std::unique_ptr<curl_slist, SlistFree> headers(curl_slist_append(nullptr, "Expect:"));

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    platform::TransferWatch watch(Bounds());
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchBounds);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    platform::RequireVerifiedTls(curl);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxReplyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectReply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    if (body) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    CURLcode code = curl_easy_perform(curl);
    if (reply.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        throw Exception("Reply larger than " + std::to_string(kMaxReplyBytes) + " bytes refused");
    }
    // A bound counts only when it ended the transfer: a reply that arrived whole is kept.
    if (code != CURLE_OK && !watch.Reason().empty()) {
        throw Exception(watch.Reason());
    }
    if (code != CURLE_OK) {
        throw Exception(*errorText ? errorText : curl_easy_strerror(code));
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        throw Exception("HTTP status " + std::to_string(status));
    }
    return std::move(reply.body);
}
