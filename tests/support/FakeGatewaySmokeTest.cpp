// Smoke test of the C++ FakeGateway helper (GoogleTest): starts the Python
// server, posts a request the way the client does (libcurl), and reads the
// records back. The request text and its signature are fixed known answers
// (see tests/fakegw/test_fake_gateway.py for how they were computed).
#include "FakeGateway.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <string>

namespace {

const char* kMicroPay =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<xml>\r\n"
    "  <appid><![CDATA[wx2421b1c4370ec43b]]></appid>\r\n"
    "  <mch_id><![CDATA[1900000109]]></mch_id>\r\n"
    "  <store_appid><![CDATA[S0001]]></store_appid>\r\n"
    "  <syy_id><![CDATA[1001]]></syy_id>\r\n"
    "  <total_fee><![CDATA[1]]></total_fee>\r\n"
    "  <auth_code><![CDATA[134567890123456789]]></auth_code>\r\n"
    "  <sign><![CDATA[2A1A0E6973E679733DC7E4E79ECA82B9]]></sign>\r\n"
    "</xml>\r\n";

size_t Collect(char* p, size_t s, size_t n, void* u) {
    static_cast<std::string*>(u)->append(p, s * n);
    return s * n;
}

// POST body to url; returns the curl code, fills status and reply.
CURLcode Post(const std::string& url, const std::string& body, long* status, std::string* reply) {
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 5000L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, reply);
    CURLcode rc = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, status);
    curl_easy_cleanup(c);
    return rc;
}

}  // namespace

TEST(FakeGateway, PathsInRequestUrlOrder) {
    const auto& p = FakeGateway::Paths();
    ASSERT_EQ(p.size(), 15u);
    EXPECT_EQ(p.front(), "/pay/queryStoreInfo");
    EXPECT_EQ(p[2], "/pay/microPay");
    EXPECT_EQ(p.back(), "/pay/syyUpdPwd");
}

TEST(FakeGateway, RoundTripScriptsAndRecords) {
    pid_t pid = -1;
    {
        FakeGateway gw;
        pid = gw.Pid();
        EXPECT_EQ(gw.BaseUrl(), "http://127.0.0.1:" + std::to_string(gw.Port()));

        long status = 0;
        std::string reply;
        ASSERT_EQ(Post(gw.BaseUrl() + "/pay/microPay", kMicroPay, &status, &reply), CURLE_OK);
        EXPECT_EQ(status, 200);
        EXPECT_NE(reply.find("<result><![CDATA[0]]></result>"), std::string::npos) << reply;

        auto recs = gw.Requests("microPay");
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0].path, "/pay/microPay");
        EXPECT_TRUE(recs[0].problems.empty());
        EXPECT_EQ(recs[0].sign_ok, std::optional<bool>(true));
        EXPECT_TRUE(recs[0].layout_ok);
        EXPECT_EQ(recs[0].fields.at("total_fee"), "1");
        EXPECT_EQ(recs[0].body, kMicroPay);
        EXPECT_EQ(recs[0].reply_body, reply);

        gw.Script("microPay", R"([{"status": 500}, {"drop": true},
                                  {"fields": {"result": "1", "errcode": "USERPAYING", "errmsg": "用户支付中"}}])");
        reply.clear();
        EXPECT_EQ(Post(gw.BaseUrl() + "/pay/microPay", kMicroPay, &status, &reply), CURLE_OK);
        EXPECT_EQ(status, 500);
        reply.clear();
        EXPECT_EQ(Post(gw.BaseUrl() + "/pay/microPay", kMicroPay, &status, &reply),
                  CURLE_PARTIAL_FILE);
        reply.clear();
        EXPECT_EQ(Post(gw.BaseUrl() + "/pay/microPay", kMicroPay, &status, &reply), CURLE_OK);
        EXPECT_NE(reply.find("<errmsg><![CDATA[用户支付中]]></errmsg>"), std::string::npos)
            << reply;

        gw.Config(R"({"cashiers": {"2002": ["abc", "李四"]}})");
        EXPECT_THROW(gw.Script("noSuchOp", "[]"), std::runtime_error);
        EXPECT_THROW(gw.Config(R"({"noSuchKey": 1})"), std::runtime_error);

        std::string bad = kMicroPay;
        bad.replace(bad.find("2A1A0E69"), 8, "00000000");
        EXPECT_EQ(Post(gw.BaseUrl() + "/pay/microPay", bad, &status, &reply), CURLE_OK);
        auto all = gw.Requests();
        ASSERT_EQ(all.size(), 5u);
        EXPECT_EQ(all.back().sign_ok, std::optional<bool>(false));
        ASSERT_FALSE(all.back().problems.empty());
        EXPECT_EQ(all.back().problems[0].rfind("sign:", 0), 0u);

        gw.Reset();
        EXPECT_TRUE(gw.Requests().empty());
    }
    // the destructor has stopped and reaped the server
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}
