#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "QzRuntimeGlobal.h"
#include "QzSign.h"
#include "UnitMicroPay.h"

namespace {

const char* const kKey = "192006250b4c09247ec02edce69f6a2d";

// A micro pay reply signed with the merchant key, as the gateway sends it.
std::string SignedReply() {
    std::string fields =
        "  <result><![CDATA[0]]></result>\r\n"
        "  <errmsg><![CDATA[OK]]></errmsg>\r\n"
        "  <appid><![CDATA[wx2421b1c4370ec43b]]></appid>\r\n"
        "  <mch_id><![CDATA[1900000109]]></mch_id>\r\n"
        "  <out_trade_no><![CDATA[1900000109202401311200000001]]></out_trade_no>\r\n"
        "  <total_fee><![CDATA[1]]></total_fee>\r\n"
        "  <coupon_fee><![CDATA[0]]></coupon_fee>\r\n"
        "  <transaction_id><![CDATA[4200000000202401310000000001]]></transaction_id>\r\n"
        "  <time_end><![CDATA[20240131120000]]></time_end>\r\n";
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<xml>\r\n";
    std::string sign;
    MakeSign(head + fields + "</xml>\r\n", kKey, sign);
    return head + fields + "  <sign><![CDATA[" + sign + "]]></sign>\r\n</xml>\r\n";
}

// The smallest HTTP server that answers every POST with one fixed reply and closes the
// connection, on a loopback port of its own, in a thread of this process.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string body) {
        response_ = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 64) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("loopback server cannot listen");
        }
        url_ = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    const std::string& Url() const { return url_; }

private:
    void Serve() {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 100) <= 0) {
                continue;
            }
            int connection = accept(listener_, nullptr, nullptr);
            if (connection >= 0) {
                Answer(connection);
                close(connection);
            }
        }
    }
    void Answer(int connection) {
        std::string request;
        char buffer[4096];
        size_t expected = std::string::npos;
        while (expected == std::string::npos || request.size() < expected) {
            ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            request.append(buffer, static_cast<size_t>(got));
            size_t headerEnd = request.find("\r\n\r\n");
            if (expected == std::string::npos && headerEnd != std::string::npos) {
                size_t at = request.find("Content-Length: ");
                size_t bodyLength =
                    at == std::string::npos ? 0 : std::strtoul(&request[at + 16], nullptr, 10);
                expected = headerEnd + 4 + bodyLength;
            }
        }
        send(connection, response_.data(), response_.size(), MSG_NOSIGNAL);
        shutdown(connection, SHUT_WR);
    }

    std::string response_;
    std::string url_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

LoopbackServer& Server() {
    static LoopbackServer server(SignedReply());
    return server;
}

// Settings as a signed-in till has them, pointed at the loopback server; nothing is logged.
void PointTillAtServer() {
    static const std::string folder = std::filesystem::temp_directory_path().string() + "/";
    AppPath = folder;
    SystemSet.LogLevel = 0;
    SystemSet.BaseUrl = Server().Url();
    RequestUrls.microPayUrl = "/pay/microPay";
    InterfacePRM.Key = kKey;
}

void FillMicroPay(TMicroPay& pay) {
    static const std::string appid = "wx2421b1c4370ec43b", mchId = "1900000109", store = "S0001",
                             syyId = "1001", fee = "1", code = "134567890123456789";
    pay.appid = appid;
    pay.mch_id = mchId;
    pay.store_appid = store;
    pay.syy_id = syyId;
    pay.total_fee = fee;
    pay.auth_code = code;
}

// One whole micro pay as a dialog runs it: create, fill, build and sign, post, read, verify, free.
void BM_MicroPayOperation(benchmark::State& state) {
    PointTillAtServer();
    for (auto _ : state) {
        TMicroPay pay;
        FillMicroPay(pay);
        if (!pay.BuildRequest() || !pay.SendRequest()) {
            state.SkipWithError(pay.ErrorMsg.c_str());
            break;
        }
        benchmark::DoNotOptimize(pay.transaction_id);
    }
}
BENCHMARK(BM_MicroPayOperation)->Unit(benchmark::kMicrosecond);

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The floor: the same body posted to the same server with a fresh libcurl handle each time.
void BM_BareCurlPost(benchmark::State& state) {
    PointTillAtServer();
    TMicroPay built;
    FillMicroPay(built);
    built.BuildRequest();
    const std::string body = built.RequestXml;
    const std::string url = Server().Url() + "/pay/microPay";
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        std::string reply;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
        if (curl_easy_perform(curl) != CURLE_OK) {
            state.SkipWithError("bare POST failed");
        }
        curl_easy_cleanup(curl);
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_BareCurlPost)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
