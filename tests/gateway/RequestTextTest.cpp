#include <openssl/evp.h>

#include "GatewayFixture.h"
#include "UnitCloseOrder.h"
#include "UnitMicroPay.h"
#include "UnitOrderPrintQuery.h"
#include "UnitOrderQuery.h"
#include "UnitQueryOrderDetail.h"
#include "UnitQueryRefundDetail.h"
#include "UnitQueryStoreInfo.h"
#include "UnitRefund.h"
#include "UnitRefundPrintQuery.h"
#include "UnitReverse.h"
#include "UnitSyyLogin.h"
#include "UnitSyyUpdPwd.h"
#include "UnitTodayTotal.h"
#include "UnitUnifiedOrder.h"

namespace {

std::string Md5Upper(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    std::string hex;
    for (unsigned i = 0; i < size; ++i) {
        hex += "0123456789ABCDEF"[digest[i] >> 4];
        hex += "0123456789ABCDEF"[digest[i] & 15];
    }
    return hex;
}

class RequestTextTest : public GatewayFixture {
protected:
    // Sends request and expects the gateway to find nothing wrong with it: every field there in
    // wire order, one CDATA section each, the signature right, the passwords deciphering, and
    // the text byte for byte as the protocol lays it out.
    template <class Request>
    FakeGateway::Record ExpectAccepted(Request& request, const std::string& op) {
        SCOPED_TRACE(op);
        EXPECT_TRUE(Exchange(request)) << request.ErrorMsg;
        auto records = Gateway().Requests(op);
        if (records.empty()) {
            ADD_FAILURE() << "no request reached " << op;
            return {};
        }
        FakeGateway::Record record = records.back();
        EXPECT_EQ(record.body, request.RequestXml);
        EXPECT_TRUE(record.problems.empty()) << record.problems.front();
        EXPECT_TRUE(record.layout_ok);
        EXPECT_EQ(request.result, "0") << request.errmsg;
        return record;
    }
};

TEST_F(RequestTextTest, MicroPayTextLineByLineLeavesTheEmptyAuthCodeOutOfTheSignature) {
    TMicroPay pay;
    FillCommon(pay);
    pay.total_fee = "1";
    ASSERT_TRUE(pay.BuildRequest());

    std::string sign = Md5Upper(std::string("appid=") + kAppId + "&mch_id=" + kMchId +
                                "&store_appid=S0001&syy_id=1001&total_fee=1&key=" + kMerchantKey);
    EXPECT_EQ(pay.RequestXml,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<xml>\r\n"
              "  <appid><![CDATA[wx2421b1c4370ec43b]]></appid>\r\n"
              "  <mch_id><![CDATA[1900000109]]></mch_id>\r\n"
              "  <store_appid><![CDATA[S0001]]></store_appid>\r\n"
              "  <syy_id><![CDATA[1001]]></syy_id>\r\n"
              "  <total_fee><![CDATA[1]]></total_fee>\r\n"
              "  <auth_code><![CDATA[]]></auth_code>\r\n"
              "  <sign><![CDATA[" +
                  sign +
                  "]]></sign>\r\n"
                  "</xml>\r\n");
    ExpectAccepted(pay, "microPay");

    // The same request with a payment code, against an answer worked out by hand.
    TMicroPay coded;
    FillCommon(coded);
    coded.total_fee = "1";
    coded.auth_code = "134567890123456789";
    ASSERT_TRUE(coded.BuildRequest());
    EXPECT_NE(
        coded.RequestXml.find("  <sign><![CDATA[2A1A0E6973E679733DC7E4E79ECA82B9]]></sign>\r\n"),
        std::string::npos);
}

TEST_F(RequestTextTest, EveryOperationSendsWhatTheGatewayExpects) {
    {
        TSyyLogin login;
        FillCommon(login);
        login.syy_pwd = "123456";
        EXPECT_EQ(ExpectAccepted(login, "syyLogin").decrypted["syy_pwd"], "123456");
        EXPECT_EQ(login.syy_name, "张三");
    }
    TMicroPay pay;
    FillCommon(pay);
    pay.total_fee = "250";
    pay.auth_code = "134567890123456789";
    ExpectAccepted(pay, "microPay");
    EXPECT_EQ(pay.total_fee, "250");
    EXPECT_EQ(pay.coupon_fee, "0");
    EXPECT_FALSE(pay.out_trade_no.empty());
    {
        TOrderQuery query;
        FillCommon(query);
        query.out_trade_no = pay.out_trade_no;
        ExpectAccepted(query, "orderQuery");
        EXPECT_EQ(query.trade_state, "SUCCESS");
        EXPECT_EQ(query.total_fee, "250");
    }
    {
        TRefund refund;
        FillCommon(refund);
        refund.out_trade_no = pay.out_trade_no;
        refund.refund_fee = "100";
        refund.super_pwd = "888888";
        EXPECT_EQ(ExpectAccepted(refund, "refund").decrypted["super_pwd"], "888888");
        EXPECT_EQ(refund.refund_fee, "100");
        EXPECT_EQ(refund.total_fee, "250");
    }
    {
        TReverse reverse;
        FillCommon(reverse);
        reverse.out_trade_no = pay.out_trade_no;
        ExpectAccepted(reverse, "orderReverse");
        EXPECT_EQ(reverse.recall, "N");
    }
    {
        TUnifiedOrder order;
        FillCommon(order);
        order.total_fee = "1";
        ExpectAccepted(order, "unifiedOrder");
        EXPECT_EQ(order.code_url.rfind("weixin://", 0), 0u);

        TCloseOrder close;
        FillCommon(close);
        close.out_trade_no = order.out_trade_no;
        ExpectAccepted(close, "closeOrder");
    }
    {
        TQueryRefundDetail refunds;
        FillCommon(refunds);
        refunds.refund_date = "2024-01-31";
        ExpectAccepted(refunds, "queryRefundDetail");
        EXPECT_GE(refunds.record_count, 2);

        TRefundPrintQuery refundPrint;
        FillCommon(refundPrint);
        refundPrint.out_trade_no = pay.out_trade_no;
        refundPrint.out_refund_no = "R1";
        ExpectAccepted(refundPrint, "refundPrintQuery");
    }
    {
        TQueryOrderDetail orders;
        FillCommon(orders);
        orders.order_date = "2024-01-31";
        ExpectAccepted(orders, "queryOrderDetail");
        EXPECT_GE(orders.record_count, 2);

        TOrderPrintQuery orderPrint;
        FillCommon(orderPrint);
        orderPrint.out_trade_no = pay.out_trade_no;
        ExpectAccepted(orderPrint, "orderPrintQuery");
        EXPECT_EQ(orderPrint.total_fee, "2.50");
    }
    {
        TTodayTotal totals;
        FillCommon(totals);
        ExpectAccepted(totals, "todayTotal");
        EXPECT_FALSE(totals.total_get_fee.empty());
    }
    {
        TSyyUpdPwd password;
        FillCommon(password);
        password.syy_pwd = "123456";
        password.syy_newpwd = "654321";
        auto record = ExpectAccepted(password, "syyUpdPwd");
        EXPECT_EQ(record.decrypted["syy_newpwd"], "654321");
    }
}

TEST_F(RequestTextTest, EmptyPasswordsTravelAsTheCipherOfTheEmptyTextAndAreSigned) {
    TSyyLogin login;
    FillCommon(login);
    ASSERT_TRUE(Exchange(login));  // the gateway refuses the password, SendRequest does not care
    auto record = Gateway().Requests("syyLogin").at(0);
    EXPECT_EQ(record.fields["syy_pwd"].size(), 32u);
    EXPECT_EQ(record.decrypted.count("syy_pwd"), 1u);
    EXPECT_EQ(record.decrypted["syy_pwd"], "");

    TRefund refund;
    FillCommon(refund);
    refund.refund_fee = "1";
    ASSERT_TRUE(refund.BuildRequest());
    ASSERT_TRUE(refund.SendRequest());
    record = Gateway().Requests("refund").at(0);
    EXPECT_EQ(record.fields["super_pwd"].size(), 32u);
    EXPECT_EQ(record.sign_ok, true);  // the gateway's signature counts the 32 digits

    TSyyUpdPwd password;
    FillCommon(password);
    ASSERT_TRUE(Exchange(password));
    record = Gateway().Requests("syyUpdPwd").at(0);
    EXPECT_EQ(record.fields["syy_pwd"].size(), 32u);
    EXPECT_EQ(record.fields["syy_newpwd"].size(), 32u);
    EXPECT_EQ(record.sign_ok, true);
    EXPECT_EQ(record.fields["sign"], record.sign_expected);
}

TEST_F(RequestTextTest, StoreInformationOfANewTillGoesToTheBaseAddressUnsigned) {
    RequestUrls = TRequestUrl{};  // never initialised: no parameter file, no paths
    TQueryStoreInfo info;
    info.store_appid = kStoreAppId;
    info.super_pwd = "888888";
    ASSERT_TRUE(Exchange(info)) << info.ErrorMsg;

    auto record = Gateway().Requests("queryStoreInfo").at(0);
    EXPECT_EQ(record.path, "/");
    EXPECT_EQ(record.field_order, (std::vector<std::string>{"store_appid", "super_pwd"}));
    EXPECT_EQ(record.decrypted["super_pwd"], "888888");
    EXPECT_FALSE(record.sign_ok.has_value());
    EXPECT_TRUE(record.problems.empty());
    EXPECT_TRUE(record.layout_ok);

    EXPECT_EQ(info.result, "0");
    EXPECT_EQ(info.key, kMerchantKey);  // deciphered
    EXPECT_EQ(info.mch_name, "海川测试商户");
    EXPECT_EQ(info.appid, kAppId);
    EXPECT_EQ(info.mch_id, kMchId);
    EXPECT_EQ(info.store_appid, kStoreAppId);
    EXPECT_EQ(info.store_name, "测试门店一号");
}

TEST_F(RequestTextTest, AValueThatWouldCloseItsCdataSectionIsRefused) {
    TMicroPay pay;
    FillCommon(pay);
    pay.total_fee = "1";
    pay.auth_code = "1]]></auth_code><total_fee>9999";
    EXPECT_FALSE(pay.BuildRequest());
    EXPECT_EQ(pay.ErrorMsg, kSystemErrorMsg);
    EXPECT_TRUE(pay.RequestXml.empty());
    EXPECT_NE(LogText().find("auth_code"), std::string::npos);

    // Enciphered, the same characters are harmless hexadecimal digits.
    TSyyLogin login;
    FillCommon(login);
    login.syy_pwd = "a]]>b";
    EXPECT_TRUE(login.BuildRequest());
}

TEST_F(RequestTextTest, TextOutsideCodePage936ArrivesAsQuestionMarkAndStillVerifies) {
    TMicroPay pay;
    FillCommon(pay);
    pay.total_fee = "1";
    pay.auth_code = "付款码😀";
    ASSERT_TRUE(Exchange(pay));
    auto record = Gateway().Requests("microPay").at(0);
    EXPECT_EQ(record.fields["auth_code"], "付款码?");
    EXPECT_EQ(record.sign_ok, true);
}

TEST_F(RequestTextTest, LogLevelDecidesWhetherRequestAndReplyAreLogged) {
    TMicroPay quiet;
    FillCommon(quiet);
    quiet.total_fee = "1";
    ASSERT_TRUE(Exchange(quiet));
    EXPECT_EQ(LogText(), "");

    SystemSet.LogLevel = 1;
    TMicroPay logged;
    FillCommon(logged);
    logged.total_fee = "1";
    logged.auth_code = "134567890123456789";
    ASSERT_TRUE(Exchange(logged));
    std::string log = LogText();
    EXPECT_NE(log.find("<auth_code><![CDATA[134567890123456789]]></auth_code>"), std::string::npos);
    EXPECT_NE(log.find("<transaction_id><![CDATA[" + logged.transaction_id), std::string::npos);
}

// The request and the reply go into the log as the bytes that went out and came in: a reply in
// GBK stays GBK, one in UTF-8 stays UTF-8, and neither loses its Chinese text.
TEST_F(RequestTextTest, TheLogKeepsRequestAndReplyBytesAsTheyTravelled) {
    struct Case {
        const char* what;
        std::string reply;
    } cases[] = {
        {"GBK", "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<xml><result>-1</result><errmsg>" +
                    Gbk("商户余额不足") + "</errmsg></xml>"},
        {"UTF-8",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<xml><result>-1</result>"
         "<errmsg>商户余额不足</errmsg></xml>"},
    };
    SystemSet.LogLevel = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reply("microPay", "{\"raw_b64\": " + JsonBase64(c.reply) + "}");
        TMicroPay pay;
        FillCommon(pay);
        pay.total_fee = "1";
        pay.auth_code = "付款码";
        ASSERT_TRUE(Exchange(pay)) << pay.ErrorMsg;
        EXPECT_EQ(pay.errmsg, "商户余额不足");
        EXPECT_EQ(pay.ResponseXml, c.reply);
        const std::string log = LogBytes();
        EXPECT_NE(log.find("\r\n" + pay.RequestXml + "\r\n"), std::string::npos);
        EXPECT_NE(log.find("付款码"), std::string::npos) << "the request's UTF-8 as it was posted";
        EXPECT_NE(log.find("\r\n" + c.reply + "\r\n"), std::string::npos);
    }
}

}  // namespace
