// Refunding and the day's totals through the real VelPay on a private X server: key 3 refunds an
// order paid just before, key 6 shows the totals and Enter prints them.

#include <string>
#include <vector>

#include "TillEndToEnd.h"

namespace {

class RefundTotalEndToEnd : public TillEndToEnd {};

}  // namespace

TEST_F(RefundTotalEndToEnd, KeyThreeRefundsAPaidOrderAndPrintsTheRefundReceipt) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    ASSERT_FALSE(OpenFromMain(main, "1", "刷卡支付").empty());
    TypeLine("12.34");
    TypeLine("134567890123456789");
    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    const auto pays = gateway_.Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    const std::string orderNo = ReplyField(pays[0].reply_body, "out_trade_no");

    const std::string refund = OpenFromMain(main, "3", "退款申请");
    ASSERT_FALSE(refund.empty());
    Screenshot(refund, "e2e_refund_open");
    TypeLine("5");
    Key("Return");  // no channel number: its hint comes back
    TypeLine(orderNo);
    Type("888888");
    Screenshot(refund, "e2e_refund_filled");
    Key("Return");

    ASSERT_TRUE(WaitForNoWindow("^退款申请$")) << Boxes();
    EXPECT_TRUE(WaitForActive(main)) << "the main window is back in front";
    EXPECT_EQ(Boxes(),
              "提示|收款成功：应付12.34元,微信支付优惠0.00元,实付12.34元。|64\n"
              "提示|退款申请提交成功。|64\n");

    const auto refunds = gateway_.Requests("refund");
    ASSERT_EQ(refunds.size(), 1u);
    EXPECT_TRUE(refunds[0].problems.empty()) << refunds[0].problems.front();
    EXPECT_EQ(refunds[0].sign_ok, true);
    EXPECT_EQ(refunds[0].fields.at("pass_trade_no"), "");
    EXPECT_EQ(refunds[0].fields.at("out_trade_no"), orderNo);
    EXPECT_EQ(refunds[0].fields.at("refund_fee"), "500");
    EXPECT_EQ(refunds[0].fields.at("syy_id"), "1001");
    EXPECT_EQ(refunds[0].decrypted.at("super_pwd"), "888888");

    const std::string& reply = refunds[0].reply_body;
    ExpectPrinted({"          微信支付退款小票", "", "所属商户:海川测试商户",
                   "门店名称:测试门店一号", "操作员编号:1001", "商户订单号:" + orderNo,
                   "微信订单号:" + ReplyField(reply, "transaction_id"), "订单总金额:12.34元", "",
                   "商户退款单号:" + ReplyField(reply, "out_refund_no"),
                   "微信退款单号:" + ReplyField(reply, "refund_id"), "退款总金额:5.00元",
                   "优惠退款金额:0.00元", "实际退款金额:5.00元", ""});
}

TEST_F(RefundTotalEndToEnd, KeySixShowsTheDaysTotalsAndEnterPrintsThem) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string total = OpenFromMain(main, "6", "今日汇总");
    ASSERT_FALSE(total.empty());
    Screenshot(total, "e2e_today_total");
    Key("Return");
    ASSERT_TRUE(WaitFor(10, [&] { return PrintedLines().size() == 28; })) << Boxes();
    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow("^今日汇总$")) << Boxes();
    EXPECT_TRUE(WaitForActive(main));
    EXPECT_EQ(Boxes(), "");

    const auto queries = gateway_.Requests("todayTotal");
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_TRUE(queries[0].problems.empty()) << queries[0].problems.front();
    ExpectPrinted({"            微信支付今日汇总", "", "所属商户:海川测试商户",
                   "门店名称:测试门店一号", "收银员编号:1001", "", "收款总笔数:2笔",
                   "收款总金额:12.51元", "退款总笔数:2笔", "退款总金额:3.50元", "实收总金额:9.01元",
                   "", ""});
}
