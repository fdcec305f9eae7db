// The day's orders and refunds through the real VelPay on a private X server: key 5 lists the
// orders, Left and Enter open one, Enter reprints its receipt; key 4 does the same for a refund.
// The list keeps the cashier's row while its window is activated again.

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
        const std::string detailWindow = OpenDetail(detail);
        if (detailWindow.empty()) {
            return {};
        }
        Screenshot(detailWindow, "e2e_" + key + "_detail");
        return {listWindow, detailWindow};
    }
    // Enter on the list opens the selected row's detail (its caption pattern); its X id, ""
    // (with a failure) when it never comes.
    std::string OpenDetail(const std::string& detail) {
        Key("Return");
        const std::string detailWindow = WaitForWindow(detail);
        if (detailWindow.empty()) {
            ADD_FAILURE() << "no detail; boxes: " << Boxes();
            return {};
        }
        Focus(detailWindow);
        return detailWindow;
    }
    // Opens the selected row's detail; Esc closes it and the list comes back.
    void OpenAndClose(const std::string& list, const std::string& detail) {
        ASSERT_FALSE(OpenDetail(detail).empty());
        Key("Escape");
        ASSERT_TRUE(WaitForNoWindow(detail));
        ASSERT_TRUE(WaitForActive(list)) << "the list is back in front";
    }
    // The cash register's window comes to the front, then the list's (its X id and caption)
    // again, each time as far as the till has seen it too.
    void LeaveAndComeBack(const std::string& window, const std::string& caption) {
        const std::string other = WaitForWindow("^收银台 POS$");
        for (const auto& [active, listActive] :
             {std::pair{other, false}, std::pair{window, true}}) {
            x_.Run({"xdotool", "windowactivate", "--sync", active});
            ASSERT_TRUE(WaitForActive(active)) << active;
            ASSERT_TRUE(WaitForHeldActive(caption, listActive)) << caption << " " << listActive;
        }
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

namespace {

// One of the lists: the key that opens it, its caption, its detail's caption pattern, and the
// gateway operation and request field by which the detail asks for a row.
struct ListKind {
    const char* name;
    const char* key;
    const char* caption;
    const char* detail;
    const char* detailOp;
    const char* rowField;
    const char* rowPrefix;  // the rows' numbers are this, today, and 0001, 0002
};

class ListKeepsTheRow : public TodayListsEndToEnd, public ::testing::WithParamInterface<ListKind> {
protected:
    std::string RowNo(int row) const {
        return GetParam().rowPrefix + TodayCompact() + "000" + std::to_string(row);
    }
    // The rows whose details were opened, in order.
    std::vector<std::string> RowsOpened() {
        std::vector<std::string> rows;
        for (const auto& request : gateway_.Requests(GetParam().detailOp)) {
            rows.push_back(request.fields.at(GetParam().rowField));
        }
        return rows;
    }
};

}  // namespace

// Left from the filter selects the first row; the cashier's row stays selected while the list
// is activated again, after another program or after its detail.
TEST_P(ListKeepsTheRow, WhenTheListIsActivatedAgain) {
    const ListKind& kind = GetParam();
    StartCashRegister({"--window=收银台 POS", "label=应收"}, "收银台 POS");
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    const std::string list = OpenFromMain(main, kind.key, kind.caption);
    ASSERT_FALSE(list.empty());
    Key("Left");
    Key("Down");
    ASSERT_NO_FATAL_FAILURE(LeaveAndComeBack(list, kind.caption));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(list, kind.detail));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(list, kind.detail));
    Key("Right");
    Key("Left");
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(list, kind.detail));
    EXPECT_EQ(RowsOpened(), (std::vector<std::string>{RowNo(2), RowNo(2), RowNo(1)}));
    EXPECT_EQ(Boxes(), "");
}

INSTANTIATE_TEST_SUITE_P(Lists, ListKeepsTheRow,
                         ::testing::Values(ListKind{"Orders", "5", "今日订单", "^订单详情$",
                                                    "orderPrintQuery", "out_trade_no",
                                                    "1900000109"},
                                           ListKind{"Refunds", "4", "今日退款", "^退款详情$",
                                                    "refundPrintQuery", "out_refund_no", "R"}),
                         [](const auto& info) { return std::string(info.param.name); });
