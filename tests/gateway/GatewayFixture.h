#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "FakeGateway.h"
#include "FakeGatewayPaths.h"
#include "HttpClient.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"

// The fake gateway's merchant, as it answers by default.
inline constexpr const char* kAppId = "wx2421b1c4370ec43b";
inline constexpr const char* kMchId = "1900000109";
inline constexpr const char* kMerchantKey = "192006250b4c09247ec02edce69f6a2d";
inline constexpr const char* kStoreAppId = "S0001";
inline constexpr const char* kSyyId = "1001";

// Holds every gateway request to a shorter whole-request bound while it lives, so that a reply
// that trickles in fails within seconds.
class ShorterRequestBound {
public:
    explicit ShorterRequestBound(std::chrono::milliseconds whole) : saved_(THttpClient::Bounds()) {
        THttpClient::Bounds().Whole = whole;
    }
    ~ShorterRequestBound() { THttpClient::Bounds() = saved_; }
    ShorterRequestBound(const ShorterRequestBound&) = delete;
    ShorterRequestBound& operator=(const ShorterRequestBound&) = delete;

private:
    platform::TransferBounds saved_;
};

// One fake gateway per test suite; every test starts from its defaults, with the settings
// records pointing at it, the merchant parameters filled, LogLevel 0 and AppPath in a fresh
// folder. The records are put back afterwards.
class GatewayFixture : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    static FakeGateway& Gateway() { return *gateway_; }

    // The day's log as UTF-8 text; "" when nothing was logged.
    std::string LogText() const;
    // The day's log as the bytes in the file.
    std::string LogBytes() const;

    // Queues one scripted reply for op.
    void Reply(const std::string& op, const std::string& jsonSpec) {
        Gateway().Script(op, "[" + jsonSpec + "]");
    }

    template <class Request>
    void FillCommon(Request& request) {
        request.appid = kAppId;
        request.mch_id = kMchId;
        request.store_appid = kStoreAppId;
        request.syy_id = kSyyId;
    }

    template <class Request>
    bool Exchange(Request& request) {
        return request.BuildRequest() && request.SendRequest();
    }

    TestFolder folder_;

private:
    static std::unique_ptr<FakeGateway> gateway_;
    TSystemSet savedSystemSet_;
    TRequestUrl savedRequestUrls_;
    TInterfacePRM savedInterfacePRM_;
};

// A JSON string literal of text.
std::string JsonText(const std::string& text);
// A JSON string literal of the base64 form of bytes.
std::string JsonBase64(const std::string& bytes);
