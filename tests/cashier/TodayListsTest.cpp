#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PayAmount.h"
#include "QzErrors.h"
#include "QzXmlTree.h"
#include "TodayOrders.h"
#include "TodayRefunds.h"

namespace {

std::string Field(const char* name, const std::string& value) {
    return std::string("<") + name + "><![CDATA[" + value + "]]></" + name + ">";
}

struct TOrder {
    std::string fee;
    std::string state = "SUCCESS";
};

std::string OrderList(const std::string& count, const std::vector<TOrder>& orders) {
    std::string xml =
        "<xml>" + Field("result", "0") + Field("record_count", count) + "<order_datas>";
    int n = 0;
    for (const TOrder& o : orders) {
        ++n;
        xml += "<order_data>" + Field("trade_time", "2026-12-09 10:0" + std::to_string(n)) +
               Field("out_trade_no", "T" + std::to_string(n)) +
               Field("transaction_id", "W" + std::to_string(n)) + Field("total_fee", o.fee) +
               Field("trade_state", o.state) + "</order_data>";
    }
    return xml + "</order_datas></xml>";
}

std::string RefundList(const std::string& count, const std::vector<TOrder>& refunds) {
    std::string xml = "<xml>" + Field("record_count", count) + "<refund_datas>";
    int n = 0;
    for (const TOrder& r : refunds) {
        ++n;
        xml += "<refund_data>" + Field("out_trade_no", "T" + std::to_string(n)) +
               Field("out_refund_no", "R" + std::to_string(n)) + Field("refund_fee", r.fee) +
               Field("refund_status", r.state) +
               Field("refund_time", "2026-12-09 11:0" + std::to_string(n)) + "</refund_data>";
    }
    return xml + "</refund_datas></xml>";
}

}  // namespace

// Amounts of the list and detail replies, read exactly in decimal.
TEST(ReplyAmounts, HalvesOfAFenRoundAsAsked) {
    struct Row {
        const char* yuan;
        int64_t even;
        int64_t away;
    };
    for (const Row& r : std::vector<Row>{{"0.005", 0, 1},
                                         {"0.015", 2, 2},
                                         {"0.025", 2, 3},
                                         {"1.005", 100, 101},
                                         {"-0.005", 0, -1},
                                         {"0.0050001", 1, 1},
                                         {"12.5", 1250, 1250},
                                         {"21474836.48", 2147483648, 2147483648}}) {
        EXPECT_EQ(YuanToFenValue(r.yuan, TFenRounding::HalfToEven), r.even) << r.yuan;
        EXPECT_EQ(YuanToFenValue(r.yuan, TFenRounding::HalfAwayFromZero), r.away) << r.yuan;
    }
}

TEST(ReplyAmounts, DifferencesAreExactWithTwoDecimals) {
    struct Row {
        const char* a;
        const char* b;
        const char* difference;
    };
    for (const Row& r : std::vector<Row>{{"12.5", "0", "12.50"},
                                         {"0.3", "0.1", "0.20"},  // 0.19999... in binary
                                         {"1.15", "0.15", "1.00"},
                                         {"0.10", "0.25", "-0.15"},
                                         {"-1", "-1", "0.00"},
                                         {"-1", "2", "-3.00"},
                                         {"100", "0.005", "100.00"},  // 99.995: a tie, to even
                                         {"100", "0.015", "99.98"},
                                         {"1e2", "1e-2", "99.99"},
                                         {"92233720368547758.07", "0", "92233720368547758.07"}}) {
        EXPECT_EQ(YuanDifference(r.a, r.b), r.difference) << r.a << " - " << r.b;
    }
    EXPECT_THROW(YuanDifference("12,5", "0"), Exception);
    EXPECT_THROW(YuanDifference("1", ""), Exception);
    EXPECT_THROW(YuanDifference("92233720368547758.07", "-0.01"), Exception);
}

TEST(StateTables, ExactCodesOnlyAndAFallback) {
    struct Row {
        const char* code;
        const char* text;
    };
    for (const Row& r : std::vector<Row>{{"SUCCESS", "支付成功"},
                                         {"REFUND", "转入退款"},
                                         {"NOTPAY", "未支付"},
                                         {"CLOSED", "已关闭"},
                                         {"REVOKED", "已撤销"},
                                         {"USERPAYING", "用户支付中"},
                                         {"NOPAY", "支付超时"},
                                         {"PAYERROR", "支付失败"},
                                         {"success", "支付失败"},
                                         {"", "支付失败"}}) {
        EXPECT_EQ(TradeStateText(r.code), r.text) << r.code;
    }
    for (const Row& r : std::vector<Row>{{"SUCCESS", "退款成功"},
                                         {"FAIL", "退款失败"},
                                         {"PROCESSING", "退款处理中"},
                                         {"CHANGE", "转入代发"},
                                         {"success", "未确定"},
                                         {" SUCCESS", "未确定"},
                                         {"", "未确定"}}) {
        EXPECT_EQ(RefundStatusText(r.code), r.text) << r.code;
    }
}

TEST(OrderRows, FillsOneRowPerOrderAndSumsInWholeFen) {
    TReportRows rows{{"old"}};
    const TReportTotals totals =
        FillOrderRows(TXmlTree(OrderList("2", {{"0.01"}, {"0.02", "REFUND"}})), rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (TReportRow{"2026-12-09 10:02", "T2", "W2", "0.02", "转入退款"}));
    EXPECT_EQ(totals.SumFen, 3);
    EXPECT_EQ(OrderFooter(totals), "交易总笔数:2笔  交易总金额:0.03元");
}

TEST(OrderRows, ATieOfAFenGoesToEvenAndTheSumDoesNotWrap) {
    TReportRows rows;
    // 0.005 and 0.015 are ties: 0 and 2 fen.
    EXPECT_EQ(FillOrderRows(TXmlTree(OrderList("2", {{"0.005"}, {"0.015"}})), rows).SumFen, 2);
    const TReportTotals big =
        FillOrderRows(TXmlTree(OrderList("2", {{"20000000.00"}, {"1474836.48"}})), rows);
    EXPECT_EQ(big.SumFen, 2147483648LL);
    EXPECT_EQ(OrderFooter(big), "交易总笔数:2笔  交易总金额:21474836.48元");
}

TEST(OrderRows, AMissingOrderLeavesItsRowEmptyAndRaises) {
    TReportRows rows{{"old"}};
    EXPECT_THROW(FillOrderRows(TXmlTree(OrderList("3", {{"0.01"}, {"0.02"}})), rows), Exception);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].size(), 5u);
    EXPECT_TRUE(rows[2].empty());
}

TEST(OrderRows, AnAmountThatIsNoNumberCutsItsRowShort) {
    TReportRows rows;
    EXPECT_THROW(FillOrderRows(TXmlTree(OrderList("2", {{"1"}, {"12,5"}})), rows), Exception);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (TReportRow{"2026-12-09 10:02", "T2", "W2", "12,5"})) << "no state text";
}

TEST(OrderRows, ACountThatIsNoNumberLeavesTheRows) {
    TReportRows rows{{"old"}};
    EXPECT_THROW(FillOrderRows(TXmlTree(OrderList("abc", {{"1"}})), rows), Exception);
    EXPECT_EQ(rows, TReportRows{{"old"}});
    EXPECT_EQ(FillOrderRows(TXmlTree(OrderList("0", {{"1"}})), rows).Count, 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(FillOrderRows(TXmlTree(OrderList("-2", {{"1"}})), rows).Count, -2);
    EXPECT_TRUE(rows.empty());
}

TEST(RefundRows, EveryRefundCountsFailedOnesToo) {
    TReportRows rows;
    const TReportTotals totals =
        FillRefundRows(TXmlTree(RefundList("2", {{"0.10"}, {"0.20", "FAIL"}})), rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (TReportRow{"T2", "R2", "0.20", "退款失败", "2026-12-09 11:02"}));
    EXPECT_EQ(RefundFooter(totals), "退款总笔数:2笔  退款总金额:0.30元  ");
    EXPECT_EQ(RefundFooter({}), "退款总笔数:0笔  退款总金额:0.00元  ");
}

TEST(RefundRows, ATieOfAFenGoesAwayFromZero) {
    TReportRows rows;
    EXPECT_EQ(FillRefundRows(TXmlTree(RefundList("2", {{"0.005"}, {"0.015"}})), rows).SumFen, 3);
}

TEST(RefundRows, AMissingRefundAddsNoRow) {
    TReportRows rows;
    EXPECT_THROW(FillRefundRows(TXmlTree(RefundList("3", {{"1"}, {"2"}})), rows), Exception);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_THROW(FillRefundRows(TXmlTree(RefundList("2", {{"1"}, {"x"}})), rows), Exception);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].size(), 5u) << "the amount is read once the row is whole";
}

namespace {

const char* const kOrderDetail =
    "<xml><result>0</result><out_trade_no>T1</out_trade_no>"
    "<transaction_id>W1</transaction_id><total_fee>12.5</total_fee>"
    "<coupon_fee></coupon_fee><trade_time>2026-12-09 10:01</trade_time>"
    "<trade_state>NOPAY</trade_state></xml>";

}  // namespace

TEST(OrderDetail, EightLinesTheFirstEmpty) {
    std::vector<std::string> lines;
    AppendOrderDetail(TXmlTree(kOrderDetail), lines);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"", "商户订单号:T1", "微信订单号:W1", "订单总金额:12.5元",
                                        "微信支付优惠金额:0元", "实际支付金额:12.50元",
                                        "交易时间:2026-12-09 10:01", "交易状态:支付超时"}));
}

TEST(OrderDetail, AnAmountThatIsNoNumberKeepsTheLinesBefore) {
    std::vector<std::string> lines;
    EXPECT_THROW(AppendOrderDetail(TXmlTree("<xml><total_fee>12,5</total_fee></xml>"), lines),
                 Exception);
    EXPECT_EQ(lines, (std::vector<std::string>{"", "商户订单号:", "微信订单号:",
                                               "订单总金额:12,5元", "微信支付优惠金额:0元"}));
}

namespace {

std::string RefundDetail(const std::string& count, int refunds, const std::string& coupon) {
    std::string xml = "<xml>" + Field("record_count", count) + "<refund_datas>";
    for (int i = 1; i <= refunds; ++i) {
        const std::string n = std::to_string(i);
        xml += "<refund_data>" + Field("out_trade_no", "T1") + Field("transaction_id", "W1") +
               Field("total_fee", "10.00") + Field("out_refund_no", "R" + n) +
               Field("refund_id", "WR" + n) + Field("refund_fee", n + ".50") +
               (coupon == "absent" ? "" : Field("coupon_refund_fee", coupon)) +
               Field("refund_time", "2026-12-09 12:0" + n) +
               Field("refund_status", i == 2 ? "PROCESSING" : "SUCCESS") + "</refund_data>";
    }
    return xml + "</refund_datas></xml>";
}

}  // namespace

TEST(RefundDetail, ThreeLinesOfTheOrderThenEightPerRefund) {
    const TXmlTree tree(RefundDetail("2", 2, "0.25"));
    ASSERT_EQ(RefundDetailCount(tree), 2);
    std::vector<std::string> lines;
    AppendRefundDetail(tree, 2, lines);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "商户订单号:T1", "微信订单号:W1", "订单总金额:10.00", "", "商户退款单号:R1",
                  "微信退款单号:WR1", "退款总金额:1.50元", "优惠退款金额:0.25元",
                  "实际退款金额:1.25元", "退款时间:2026-12-09 12:01", "退款状态:退款成功", "",
                  "商户退款单号:R2", "微信退款单号:WR2", "退款总金额:2.50元", "优惠退款金额:0.25元",
                  "实际退款金额:2.25元", "退款时间:2026-12-09 12:02", "退款状态:退款处理中"}));
    EXPECT_EQ(RefundDetailLabels().size(), 11u);
}

TEST(RefundDetail, AnAbsentOrEmptyDiscountIsZero) {
    for (const char* coupon : {"absent", ""}) {
        std::vector<std::string> lines;
        AppendRefundDetail(TXmlTree(RefundDetail("1", 1, coupon)), 1, lines);
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[7], "优惠退款金额:0元") << coupon;
        EXPECT_EQ(lines[8], "实际退款金额:1.50元") << coupon;
    }
}

TEST(RefundDetail, FewerRefundsThanCountedRaiseAfterTheLinesBefore) {
    std::vector<std::string> lines;
    EXPECT_THROW(AppendRefundDetail(TXmlTree(RefundDetail("2", 1, "0")), 2, lines), Exception);
    EXPECT_EQ(lines.size(), 11u);
    lines.clear();
    EXPECT_THROW(AppendRefundDetail(TXmlTree(RefundDetail("1", 0, "0")), 1, lines), Exception);
    EXPECT_TRUE(lines.empty());
}
