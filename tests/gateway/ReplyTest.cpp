#include "GatewayFixture.h"
#include "UnitCloseOrder.h"
#include "UnitMicroPay.h"
#include "UnitOrderPrintQuery.h"
#include "UnitQueryOrderDetail.h"
#include "UnitQueryRefundDetail.h"
#include "UnitQueryStoreInfo.h"
#include "UnitRefund.h"
#include "UnitSyyLogin.h"
#include "UnitTodayTotal.h"

namespace {

class ReplyTest : public GatewayFixture {
protected:
    // A micro pay answered by the scripted reply plan.
    std::unique_ptr<TMicroPay> MicroPay(const std::string& plan) {
        Reply("microPay", plan);
        auto pay = std::make_unique<TMicroPay>();
        FillCommon(*pay);
        pay->total_fee = "1";
        pay->auth_code = "134567890123456789";
        sent_ = Exchange(*pay);
        return pay;
    }

    bool sent_ = false;
};

TEST_F(ReplyTest, VerifyingClassesCheckTheReplySignatureUnlessResultIsNegative) {
    struct Case {
        const char* plan;
        bool sent;
        const char* errorMsg;
    } cases[] = {
        {R"({})", true, ""},
        {R"({"sign": "missing"})", false, kBadSignatureMsg},
        {R"({"sign": "lower"})", false, kBadSignatureMsg},
        {R"({"sign": "wrong"})", false, kBadSignatureMsg},
        {R"({"fields": {"result": "1", "errcode": "USERPAYING"}, "sign": "wrong"})", false,
         kBadSignatureMsg},
        {R"({"fields": {"result": "-1", "errmsg": "余额不足"}, "sign": "wrong"})", true, ""},
        {R"({"fields": {"result": "-1"}, "sign": "missing"})", true, ""},
        {R"({"fields": {"result": " 0"}})", true, ""},
        {R"({"fields": {"result": "0 "}})", false, kSystemErrorMsg},
        {R"({"fields": {"result": "OK"}})", false, kSystemErrorMsg},
        {R"({"fields": {"result": ""}})", false, kSystemErrorMsg},
        // An element the signature routine cannot read leaves no signature to compare with,
        // so a reply without sign cannot slip through on two empty texts.
        {R"({"fields": {"extra": {"a": "1"}}, "sign": "missing"})", false, kBadSignatureMsg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plan);
        auto pay = MicroPay(c.plan);
        EXPECT_EQ(sent_, c.sent);
        EXPECT_EQ(pay->ErrorMsg, c.errorMsg);
    }
}

TEST_F(ReplyTest, ABadSignatureIsReportedAfterEveryFieldWasReadAndIsNotLogged) {
    auto pay = MicroPay(R"({"sign": "missing", "fields": {"coupon_fee": "5"}})");
    EXPECT_FALSE(sent_);
    EXPECT_EQ(pay->result, "0");
    EXPECT_EQ(pay->coupon_fee, "5");
    EXPECT_EQ(pay->time_end.size(), 14u);
    EXPECT_EQ(LogText(), "");

    Reply("closeOrder", R"({"sign": "lower"})");
    TCloseOrder close;
    FillCommon(close);
    close.out_trade_no = "1";
    EXPECT_FALSE(Exchange(close));
    EXPECT_EQ(close.ErrorMsg, "撤销订单失败:收到非法签名的数据包!");
}

TEST_F(ReplyTest, OtherClassesTakeAnySignatureAndAnyResult) {
    Reply("syyLogin", R"({"fields": {"result": "OK"}, "sign": "wrong"})");
    TSyyLogin login;
    FillCommon(login);
    login.syy_pwd = "123456";
    EXPECT_TRUE(Exchange(login));
    EXPECT_EQ(login.result, "OK");

    Reply("orderPrintQuery", R"({"sign": "missing"})");
    TOrderPrintQuery print;
    FillCommon(print);
    EXPECT_TRUE(Exchange(print)) << print.ErrorMsg;

    Reply("todayTotal", R"({"fields": {"result": "abc"}, "sign": "lower"})");
    TTodayTotal totals;
    FillCommon(totals);
    EXPECT_TRUE(Exchange(totals)) << totals.ErrorMsg;
    EXPECT_EQ(totals.result, "abc");
}

TEST_F(ReplyTest, DiscountsReadZeroWhenAbsentOrEmpty) {
    EXPECT_EQ(MicroPay(R"({"omit": ["coupon_fee"]})")->coupon_fee, "0");
    EXPECT_EQ(MicroPay(R"({"fields": {"coupon_fee": ""}})")->coupon_fee, "0");
    EXPECT_EQ(MicroPay(R"({"fields": {"coupon_fee": "5"}})")->coupon_fee, "5");

    Reply("refund", R"({"omit": ["coupon_refund_fee"]})");
    TRefund refund;
    FillCommon(refund);
    refund.refund_fee = "1";
    refund.super_pwd = "888888";
    ASSERT_TRUE(Exchange(refund)) << refund.ErrorMsg;
    EXPECT_EQ(refund.coupon_refund_fee, "0");

    Reply("orderPrintQuery", R"({"omit": ["coupon_fee"]})");
    TOrderPrintQuery print;
    FillCommon(print);
    ASSERT_TRUE(Exchange(print));
    EXPECT_EQ(print.coupon_fee, "0");
}

TEST_F(ReplyTest, ReplyFieldsReplaceWhatTheCallerPutThere) {
    auto pay = MicroPay(R"({"omit": ["total_fee"]})");
    EXPECT_TRUE(sent_);
    EXPECT_EQ(pay->total_fee, "");

    Reply("refund", R"({"fields": {"refund_fee": "99"}})");
    TRefund refund;
    FillCommon(refund);
    refund.refund_fee = "1";
    refund.super_pwd = "888888";
    ASSERT_TRUE(Exchange(refund));
    EXPECT_EQ(refund.refund_fee, "99");

    Reply("syyLogin", R"({"omit": ["syy_name"]})");
    TSyyLogin login;
    EXPECT_EQ(login.syy_name, "未知");
    FillCommon(login);
    login.syy_pwd = "123456";
    ASSERT_TRUE(Exchange(login));
    EXPECT_EQ(login.syy_name, "");
}

TEST_F(ReplyTest, FieldsAreReadByExactNameFromTheRootsChildren) {
    Reply("syyLogin", R"({"omit": ["result"], "fields": [["Result", "0"]]})");
    TSyyLogin login;
    FillCommon(login);
    login.syy_pwd = "123456";
    ASSERT_TRUE(Exchange(login));
    EXPECT_EQ(login.result, "");

    auto twice = MicroPay(R"({"fields": [["result", "-1"], ["result", "0"]]})");
    EXPECT_TRUE(sent_);
    EXPECT_EQ(twice->result, "-1");

    auto nested = MicroPay(R"({"fields": {"errmsg": {"inner": "x"}}})");
    EXPECT_FALSE(sent_);
    EXPECT_EQ(nested->ErrorMsg, kSystemErrorMsg);
    EXPECT_NE(LogText().find("errmsg"), std::string::npos);

    auto plainText = MicroPay(R"({"cdata": false, "fields": {"errmsg": "a<b&c"}})");
    EXPECT_TRUE(sent_) << plainText->ErrorMsg;
    EXPECT_EQ(plainText->errmsg, "a<b&c");

    auto gbk =
        MicroPay(R"({"encoding": "GBK", "root": "reply", "fields": {"errmsg": "支付成功"}})");
    EXPECT_TRUE(sent_) << gbk->ErrorMsg;
    EXPECT_EQ(gbk->errmsg, "支付成功");
}

TEST_F(ReplyTest, RecordCountMustBeAnInteger) {
    struct Case {
        const char* plan;
        bool sent;
        int count;
    } cases[] = {
        {R"({"fields": {"record_count": "3"}})", true, 3},
        {R"({"fields": {"record_count": "0x1A"}})", true, 26},
        {R"({"fields": {"record_count": "$10"}})", true, 16},
        {R"({"omit": ["record_count", "order_datas"]})", false, 0},
        {R"({"fields": {"record_count": ""}})", false, 0},
        {R"({"fields": {"record_count": "3 rows"}})", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plan);
        Reply("queryOrderDetail", c.plan);
        TQueryOrderDetail orders;
        FillCommon(orders);
        orders.order_date = "2024-01-31";
        EXPECT_EQ(Exchange(orders), c.sent);
        EXPECT_EQ(orders.record_count, c.count);
        EXPECT_EQ(orders.ErrorMsg, c.sent ? "" : kSystemErrorMsg);
        EXPECT_EQ(orders.result, "0");
        EXPECT_EQ(orders.errmsg, "OK");
        EXPECT_NE(orders.ResponseXml.find("<result>"), std::string::npos);
    }

    Reply("queryRefundDetail", R"({"omit": ["record_count"]})");
    TQueryRefundDetail refunds;
    FillCommon(refunds);
    EXPECT_FALSE(Exchange(refunds));
    EXPECT_EQ(refunds.ErrorMsg, kSystemErrorMsg);
}

TEST_F(ReplyTest, StoreInformationIsTakenOnlyWhenResultIsExactlyZero) {
    for (const char* result : {"-1", "00", " 0", ""}) {
        SCOPED_TRACE(result);
        Reply("queryStoreInfo", std::string(R"({"fields": {"result": )") + JsonText(result) +
                                    R"(, "errmsg": "门店不存在"}})");
        TQueryStoreInfo info;
        info.store_appid = "S0009";
        info.super_pwd = "888888";
        EXPECT_TRUE(Exchange(info));
        EXPECT_EQ(info.result, result);
        EXPECT_EQ(info.errmsg, "门店不存在");
        EXPECT_EQ(info.mch_name + info.appid + info.mch_id + info.key + info.store_name, "");
        EXPECT_EQ(info.store_appid, "S0009");
    }

    Reply("queryStoreInfo", R"({"fields": {"key": "ABC"}})");
    TQueryStoreInfo broken;
    broken.store_appid = kStoreAppId;
    broken.super_pwd = "888888";
    EXPECT_FALSE(Exchange(broken));
    EXPECT_EQ(broken.ErrorMsg, kSystemErrorMsg);
    EXPECT_NE(LogText().find("Invalid buffer size for decryption"), std::string::npos);
}

TEST_F(ReplyTest, BodiesThatAreNoSoundReplyFailCleanly) {
    SystemSet.LogLevel = 1;
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    struct Case {
        const char* what;
        std::string plan;
        const char* errorMsg;
    } cases[] = {
        {"an error page", R"({"raw": "Internal Server Error: upstream timed out"})",
         kSystemErrorMsg},
        {"deep nesting", "{\"raw\": " + JsonText("<xml>" + deep) + "}", kSystemErrorMsg},
        {"entities",
         "{\"raw\": " +
             JsonText("<?xml version=\"1.0\"?><!DOCTYPE xml [<!ENTITY a \"aaaaaaaaaa\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                      "<xml><result>&b;</result></xml>") +
             "}",
         kSystemErrorMsg},
        {"invalid UTF-8",
         "{\"raw_b64\": " +
             JsonBase64("<xml><result>0</result><errmsg>\xC3\x28\xFF</errmsg></xml>") + "}",
         kSystemErrorMsg},
        {"a truncated document", R"({"raw": "<xml><result><![CDATA[0]]></result><errm"})",
         kSystemErrorMsg},
        {"a connection closed early", R"({"drop": true})", kNetworkErrorMsg},
        {"10 MB", "{\"raw\": " + JsonText(std::string(10 * 1024 * 1024, 'x')) + "}",
         kNetworkErrorMsg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t logged = LogText().size();
        auto pay = MicroPay(c.plan);
        EXPECT_FALSE(sent_);
        EXPECT_EQ(pay->ErrorMsg, c.errorMsg);
        EXPECT_GT(LogText().size(), logged + pay->RequestXml.size());
        EXPECT_LE(pay->ResponseXml.size(), THttpClient::kMaxReplyBytes);
        if (std::string_view(c.errorMsg) == kSystemErrorMsg) {  // the body came: kept and logged
            ASSERT_FALSE(pay->ResponseXml.empty());
            EXPECT_NE(LogText().find(pay->ResponseXml.substr(0, 16)), std::string::npos);
        }
    }
}

}  // namespace
