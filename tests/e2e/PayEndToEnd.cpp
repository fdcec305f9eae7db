// The two roads of taking money, through the real VelPay on a private X server: key 1 and a
// micro pay typed with xdotool, key 2 and the QR code of a code pay read back from a screenshot.

#include <regex>

#include "TextCodec.h"
#include "TillEndToEnd.h"

namespace {

class PayEndToEnd : public TillEndToEnd {};

}  // namespace

TEST_F(PayEndToEnd, KeyOneTakesAMicroPayPrintsTheReceiptAndReturnsToTheMainWindow) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string pay = OpenFromMain(main, "1", "刷卡支付");
    ASSERT_FALSE(pay.empty());
    TypeLine("12.34");
    Type("134567890123456789");
    Screenshot(pay, "e2e_micro_pay");
    Key("Return");

    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    EXPECT_TRUE(WaitForActive(main)) << "the main window is back in front";
    EXPECT_EQ(Boxes(), "提示|收款成功：应付12.34元,微信支付优惠0.00元,实付12.34元。|64\n");

    const auto pays = gateway_.Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_TRUE(pays[0].problems.empty()) << pays[0].problems.front();
    EXPECT_EQ(pays[0].sign_ok, true);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "1234");
    EXPECT_EQ(pays[0].fields.at("auth_code"), "134567890123456789");
    EXPECT_EQ(pays[0].fields.at("syy_id"), "1001");

    const std::string receipt = platform::GbkToUtf8(ReadBytes(till_.Port()));
    const std::string head =
        "          微信支付小票\r\n\r\n所属商户:海川测试商户\r\n"
        "门店名称:测试门店一号\r\n收银员编号:1001\r\n\r\n商户订单号:" +
        ReplyField(pays[0].reply_body, "out_trade_no") +
        "\r\n微信订单号:" + ReplyField(pays[0].reply_body, "transaction_id") +
        "\r\n应付金额:12.34元\r\n微信支付优惠:0.00元\r\n实付金额:12.34元\r\n"
        "\r\n打印时间:";
    ASSERT_EQ(receipt.substr(0, head.size()), head);
    std::string tail = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
    for (int line = 13; line <= 28; ++line) {
        tail += "\r\n";
    }
    EXPECT_TRUE(std::regex_match(receipt.substr(head.size()), std::regex(tail)));
}

TEST_F(PayEndToEnd, APendingMicroPayIsSettledFromThePromptWithEnter) {
    gateway_.Script("microPay", R"([{"fields": {"result": "1", "errcode": "USERPAYING",
                                                "out_trade_no": "E2E1"}}])");
    gateway_.Script("orderQuery", R"([{"fields": {"trade_state": "SUCCESS", "total_fee": "500",
                                                  "transaction_id": "W2E1"}}])");
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    ASSERT_FALSE(OpenFromMain(main, "1", "刷卡支付").empty());
    TypeLine("5");
    TypeLine("134567890123456789");

    const std::string prompt = WaitForWindow("^支付结果$");
    ASSERT_FALSE(prompt.empty()) << Boxes();
    Focus(prompt);
    Screenshot(prompt, "e2e_pay_result_prompt");
    Key("Return");
    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    EXPECT_EQ(Boxes(), "提示|收款成功：应付金额5.00元,微信支付优惠0.00元,实付金额5.00元。|64\n");
    const auto queries = gateway_.Requests("orderQuery");
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].fields.at("out_trade_no"), "E2E1");
    EXPECT_NE(platform::GbkToUtf8(ReadBytes(till_.Port())).find("微信订单号:W2E1\r\n"),
              std::string::npos);
}

TEST_F(PayEndToEnd, TheAmountComesFromTheCashRegisterWindowWhenSwitchedOn) {
    // Controls in pre-order: 0 the label, 1 the amount due.
    StartCashRegister({"--window=收银台 POS", "label=应收", "edit=36.50"}, "收银台 POS");
    till_.ReadAmountFrom("收银台", 1, "text");
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string pay = OpenFromMain(main, "1", "刷卡支付");
    ASSERT_FALSE(pay.empty());
    Screenshot(pay, "e2e_micro_pay_external_amount");
    Key("Return");  // the amount is there: on to the code
    TypeLine("134567890123456789");
    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    const auto pays = gateway_.Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "3650");
}

TEST_F(PayEndToEnd, KeyTwoShowsAQRCodeThatReadsAsTheOrdersPaymentURL) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    ASSERT_FALSE(OpenFromMain(main, "2", "扫码支付").empty());
    TypeLine("25.5");

    const std::string detail = WaitForWindow("^扫码支付二维码$");
    ASSERT_FALSE(detail.empty()) << Boxes();
    const auto orders = gateway_.Requests("unifiedOrder");
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].fields.at("total_fee"), "2550");
    EXPECT_EQ(orders[0].sign_ok, true);
    const std::string shot = Screenshot(detail, "e2e_code_pay_qr");
    const auto read = x_.Run({"zbarimg", "--raw", "-q", shot}, 20000);
    EXPECT_EQ(read.out.substr(0, read.out.find('\n')),
              ReplyField(orders[0].reply_body, "code_url"));

    Focus(detail);
    Key("Escape");  // closes the order at the gateway, then both dialogs
    ASSERT_TRUE(WaitForNoWindow("^扫码支付")) << Boxes();
    EXPECT_TRUE(WaitForActive(main));
    EXPECT_EQ(Boxes(), "提示|订单已经关闭。|64\n");
    const auto closes = gateway_.Requests("closeOrder");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].fields.at("out_trade_no"),
              ReplyField(orders[0].reply_body, "out_trade_no"));
}
