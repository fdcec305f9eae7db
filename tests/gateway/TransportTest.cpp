#include <stdlib.h>

#include <memory>

#include "GatewayFixture.h"
#include "TestPki.h"
#include "UnitMicroPay.h"
#include "UnitTodayTotal.h"

namespace {

class TransportTest : public GatewayFixture {
protected:
    bool SendTotals(TTodayTotal& totals) {
        FillCommon(totals);
        return Exchange(totals);
    }
};

TEST_F(TransportTest, FailedTransfersGiveTheNetworkMessageAndAreLogged) {
    struct Case {
        const char* what;
        std::string plan;
        const char* logged;
    } cases[] = {
        {"status 500", R"({"status": 500})", "HTTP status 500"},
        {"status 404", R"({"status": 404, "raw": "<xml><result>0</result></xml>"})",
         "HTTP status 404"},
        {"a redirect", "{\"redirect\": " + JsonText(Gateway().BaseUrl() + "/pay/todayTotal") + "}",
         "HTTP status 302"},
        {"a hang-up", R"({"hangup": true})", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Gateway().Reset();
        Reply("todayTotal", c.plan);
        TTodayTotal totals;
        EXPECT_FALSE(SendTotals(totals));
        EXPECT_EQ(totals.ErrorMsg, kNetworkErrorMsg);
        EXPECT_NE(LogText().find(c.logged), std::string::npos);
        EXPECT_EQ(Gateway().Requests("todayTotal").size(), 1u);  // the redirect is not followed
    }
    EXPECT_FALSE(LogText().empty());
}

TEST_F(TransportTest, AnUnreachableGatewayGivesTheNetworkMessage) {
    SystemSet.BaseUrl = "http://127.0.0.1:1";
    TTodayTotal totals;
    EXPECT_FALSE(SendTotals(totals));
    EXPECT_EQ(totals.ErrorMsg, kNetworkErrorMsg);
    EXPECT_NE(LogText().find("127.0.0.1"), std::string::npos);

    SystemSet.BaseUrl = "file:///etc";  // only http and https are spoken
    RequestUrls.todayTotalUrl = "/passwd";
    TTodayTotal local;
    EXPECT_FALSE(SendTotals(local));
    EXPECT_EQ(local.ErrorMsg, kNetworkErrorMsg);
}

TEST_F(TransportTest, BaseUrlAndPathAreJoinedAsTheyStand) {
    SystemSet.BaseUrl = Gateway().BaseUrl() + "/";
    TTodayTotal totals;
    EXPECT_TRUE(SendTotals(totals)) << totals.ErrorMsg;
    EXPECT_EQ(Gateway().Requests("todayTotal").at(0).path, "//pay/todayTotal");
}

TEST_F(TransportTest, TenSecondsWithoutDataEndTheWait) {
    Reply("todayTotal", R"({"delay": 12})");
    TTodayTotal totals;
    EXPECT_FALSE(SendTotals(totals));
    EXPECT_EQ(totals.ErrorMsg, kNetworkErrorMsg);
    EXPECT_FALSE(LogText().empty());
}

class HttpsTest : public GatewayFixture {
public:
    static void SetUpTestSuite() {
        GatewayFixture::SetUpTestSuite();
        pki_ = std::make_unique<TestPki>();
        FakeGateway::Options byIp;
        byIp.tlsCert = pki_->File("ip.pem");
        byIp.tlsKey = pki_->File("ip.key");
        byIp_ = std::make_unique<FakeGateway>(byIp);
        FakeGateway::Options byName;
        byName.tlsCert = pki_->File("host.pem");
        byName.tlsKey = pki_->File("host.key");
        byName_ = std::make_unique<FakeGateway>(byName);
    }
    static void TearDownTestSuite() {
        byName_.reset();
        byIp_.reset();
        pki_.reset();
        GatewayFixture::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        GatewayFixture::SetUp();
        byIp_->Reset();
        byName_->Reset();
    }
    void TearDown() override {
        unsetenv("CURL_CA_BUNDLE");
        GatewayFixture::TearDown();
    }
    void TrustTestCa() { setenv("CURL_CA_BUNDLE", pki_->File("ca.pem").c_str(), 1); }

    bool SendTotals(TTodayTotal& totals) {
        FillCommon(totals);
        return Exchange(totals);
    }

    static std::unique_ptr<TestPki> pki_;
    static std::unique_ptr<FakeGateway> byIp_;
    static std::unique_ptr<FakeGateway> byName_;
};

std::unique_ptr<TestPki> HttpsTest::pki_;
std::unique_ptr<FakeGateway> HttpsTest::byIp_;
std::unique_ptr<FakeGateway> HttpsTest::byName_;

TEST_F(HttpsTest, ATrustedCertificateNamingTheHostIsAccepted) {
    TrustTestCa();
    SystemSet.BaseUrl = "HTTPS" + byIp_->BaseUrl().substr(5);  // the scheme in any letter case
    TTodayTotal totals;
    EXPECT_TRUE(SendTotals(totals)) << totals.ErrorMsg << LogText();
    EXPECT_EQ(totals.result, "0");
}

TEST_F(HttpsTest, AnUntrustedCertificateIsRefused) {
    SystemSet.BaseUrl = byIp_->BaseUrl();
    TTodayTotal totals;
    EXPECT_FALSE(SendTotals(totals));
    EXPECT_EQ(totals.ErrorMsg, kNetworkErrorMsg);
    EXPECT_NE(LogText().find("certificate"), std::string::npos);
    EXPECT_TRUE(byIp_->Requests().empty());
}

TEST_F(HttpsTest, ACertificateForAnotherHostIsRefused) {
    TrustTestCa();
    SystemSet.BaseUrl = byName_->BaseUrl();
    TTodayTotal totals;
    EXPECT_FALSE(SendTotals(totals));
    EXPECT_EQ(totals.ErrorMsg, kNetworkErrorMsg);
    EXPECT_NE(LogText().find("127.0.0.1"), std::string::npos);
    EXPECT_TRUE(byName_->Requests().empty());
}

}  // namespace
