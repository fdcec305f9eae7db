// The day's orders and refunds through the real VelPay on a private X server: key 5 lists the
// orders, Left and Enter open one, Enter reprints its receipt; key 4 does the same for a refund.

#include <QDate>

#include <string>
#include <vector>

#include "TillEndToEnd.h"

namespace {

class TodayListsEndToEnd : public TillEndToEnd {
protected:
    // The refund list is 1044 pixels wide: wider than a 1024-pixel screen.
    TodayListsEndToEnd() : TillEndToEnd("1280x800x24") {}

    // Opens the list (its caption) by its key, goes into the list with Left and opens its first
    // row (the detail's caption pattern); the X ids of the list and of the detail.
    std::pair<std::string, std::string> OpenFirstRow(const std::string& key,
                                                     const std::string& list,
                                                     const std::string& detail) {
        const std::string main = StartSignedIn();
        if (main.empty()) {
            return {};
        }
        const std::string listWindow = OpenFromMain(main, key, list);
        if (listWindow.empty()) {
            return {};
        }
        Screenshot(listWindow, "e2e_" + key + "_list");
        Key("Left");
        Key("Return");
        const std::string detailWindow = WaitForWindow(detail);
        if (detailWindow.empty()) {
            ADD_FAILURE() << "no detail; boxes: " << Boxes();
            return {};
        }
        Focus(detailWindow);
        Screenshot(detailWindow, "e2e_" + key + "_detail");
        return {listWindow, detailWindow};
    }
    // Enter on the detail; waits for the receipt to reach the port.
    void Reprint() {
        Key("Return");
        WaitFor(20, [&] { return !ReadBytes(till_.Port()).empty(); });
    }
    static std::string Today() { return QDate::currentDate().toString("yyyy-MM-dd").toStdString(); }
    static std::string TodayCompact() {
        return QDate::currentDate().toString("yyyyMMdd").toStdString();
    }
};

}  // namespace

TEST_F(TodayListsEndToEnd, KeyFiveOpensAnOrderAndEnterReprintsIt) {
    const auto [list, detail] = OpenFirstRow("5", "今日订单", "^订单详情$");
    ASSERT_FALSE(detail.empty());
    Reprint();
    const std::string orderNo = std::string("1900000109") + TodayCompact() + "0001";
    const std::vector<std::string> head = {"            微信支付小票（补打）",
                                           "",
                                           "所属商户:海川测试商户",
                                           "门店名称:测试门店一号",
                                           "操作员编号:1001",
                                           "",
                                           "商户订单号:" + orderNo,
                                           "微信订单号:4200000" + TodayCompact() + "0000000000001",
                                           "订单总金额:0.01元",
                                           "微信支付优惠金额:0.00元",
                                           "实际支付金额:0.01元",
                                           "交易时间:" + Today() + " 09:12:45",
                                           "交易状态:支付成功",
                                           "",
                                           ""};
    ExpectPrinted(head);

    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow("^订单详情$"));
    EXPECT_TRUE(WaitForActive(list)) << "the list is back in front";
    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow("^今日订单$"));
    const auto asked = gateway_.Requests("orderPrintQuery");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fields.at("out_trade_no"), orderNo);
    EXPECT_TRUE(asked[0].problems.empty());
    const auto lists = gateway_.Requests("queryOrderDetail");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].fields.at("order_date"), Today());
    EXPECT_EQ(Boxes(), "");
}

TEST_F(TodayListsEndToEnd, KeyFourOpensARefundAndEnterReprintsIt) {
    const auto [list, detail] = OpenFirstRow("4", "今日退款", "^退款详情$");
    ASSERT_FALSE(detail.empty());
    Reprint();
    const std::string orderNo = std::string("1900000109") + TodayCompact() + "0002";
    const std::string refundNo = "R" + TodayCompact() + "0001";
    const std::vector<std::string> head = {
        "          微信支付退款小票（补打）",
        "",
        "所属商户:海川测试商户",
        "门店名称:测试门店一号",
        "操作员编号:1001",
        "商户订单号:" + orderNo,
        "微信订单号:4200000" + TodayCompact() + "0000000000002",
        "订单总金额:12.50",
        "",
        "商户退款单号:" + refundNo,
        "微信退款单号:5030000" + TodayCompact() + "0000000000001",
        "退款总金额:2.50元",
        "优惠退款金额:0.00元",
        "实际退款金额:2.50元",
        "退款时间:" + Today() + " 10:20:00",
        "退款状态:退款成功",
        "",
        ""};
    ExpectPrinted(head);

    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow("^退款详情$"));
    EXPECT_TRUE(WaitForActive(list)) << "the list is back in front";
    Key("Escape");
    ASSERT_TRUE(WaitForNoWindow("^今日退款$"));
    const auto asked = gateway_.Requests("refundPrintQuery");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fields.at("out_trade_no"), orderNo);
    EXPECT_EQ(asked[0].fields.at("out_refund_no"), refundNo);
    EXPECT_EQ(Boxes(), "");
}
