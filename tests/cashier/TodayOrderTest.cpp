#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include "TodayDialogFixture.h"

using namespace platform;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The fake gateway's two sample orders of the day.
Rows SampleOrders() {
    const std::string d = Today();
    std::string dc = d;
    dc.erase(std::remove(dc.begin(), dc.end(), '-'), dc.end());
    return {{d + " 09:12:45", std::string(kMchId) + dc + "0001", "4200000" + dc + "0000000000001",
             "0.01", "支付成功"},
            {d + " 10:03:11", std::string(kMchId) + dc + "0002", "4200000" + dc + "0000000000002",
             "12.50", "转入退款"}};
}

class TodayOrder : public TodayDialogFixture {
protected:
    std::vector<std::string> OrderNosAsked() {
        std::vector<std::string> nos;
        for (const auto& r : Gateway().Requests("queryOrderDetail")) {
            EXPECT_EQ(r.fields.at("order_date"), Today());
            EXPECT_EQ(r.fields.at("syy_id"), kSyyId);
            EXPECT_EQ(r.sign_ok, true);
            EXPECT_TRUE(r.problems.empty());
            nos.push_back(r.fields.at("out_trade_no"));
        }
        return nos;
    }
};

}  // namespace

TEST_F(TodayOrder, ListsTheDaysOrdersBeforeItShows) {
    Then("今日订单", [this](Form& f) {
        EXPECT_EQ(f.size(), QSize(1018, 512));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter查询，退出按ESC。");
        ExpectColumns(f, {{"交易时间", 150},
                          {"商户订单号", 250},
                          {"微信订单号", 250},
                          {"订单总金额", 120},
                          {"交易状态", 100}});
        EXPECT_EQ(f.findChild<QTableView*>("ListData")->geometry(), QRect(0, 194, 1018, 318));
        EXPECT_EQ(ListRows(f), SampleOrders());
        EXPECT_EQ(Footer(f), "交易总笔数:2笔  交易总金额:12.51元");
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
    EXPECT_EQ(OrderNosAsked(), std::vector<std::string>{""});
    EXPECT_TRUE(boxes.empty());
}

namespace {

using OrderListReplies = ListReplies;

const char* const kAtStart = "交易总笔数:0  交易总金额:0.00元   ";

}  // namespace

TEST_P(OrderListReplies, ShowWhatTheReplyHolds) {
    CheckListReply("TForm_Today_Order", "今日订单", "queryOrderDetail");
}

INSTANTIATE_TEST_SUITE_P(
    , OrderListReplies,
    ::testing::Values(
        ListCase{"NoOrders", R"({"fields": {"record_count": "0", "order_datas": []}})", 0,
                 "交易总笔数:0笔  交易总金额:0.00元", ""},
        ListCase{"EachAmountInWholeFen",
                 R"({"fields": {"record_count": "2", "order_datas": [
                   {"trade_time": "t1", "out_trade_no": "T1", "transaction_id": "W1",
                    "total_fee": "0.01", "trade_state": "PAYERROR"},
                   {"trade_time": "t2", "out_trade_no": "T2", "transaction_id": "W2",
                    "total_fee": "0.02", "trade_state": "success"}]}})",
                 2,
                 "交易总笔数:2笔  交易总金额:0.03元",
                 "",
                 {{"t1", "T1", "W1", "0.01", "支付失败"}, {"t2", "T2", "W2", "0.02", "支付失败"}}},
        ListCase{
            "HalvesToEven",
            R"({"fields": {"record_count": "2", "order_datas": )" + JsonOrders(2, "0.125") + "}}",
            2, "交易总笔数:2笔  交易总金额:0.24元", ""},
        ListCase{"ASumAboveWhatThirtyTwoBitsHold",
                 R"({"fields": {"record_count": "2", "order_datas": )" +
                     JsonOrders(2, "10737418.24") + "}}",
                 2, "交易总笔数:2笔  交易总金额:21474836.48元", ""},
        ListCase{"FewerOrdersThanCounted",
                 R"({"fields": {"record_count": "3", "order_datas": )" + JsonOrders(2) + "}}",
                 3,
                 kAtStart,
                 "错误|Record 2 of order_datas does not exist: it holds 2",
                 {{"2026-12-09 10:00:1", "T1", "W1", "0.01", "支付成功"},
                  {"2026-12-09 10:00:2", "T2", "W2", "0.01", "支付成功"},
                  {"", "", "", "", ""}}},
        ListCase{"ACountFarBeyondTheOrders",
                 R"({"fields": {"record_count": "100000", "order_datas": )" + JsonOrders(10) + "}}",
                 11, kAtStart, "错误|Record 10 of order_datas does not exist: it holds 10"},
        ListCase{"NoOrderList",
                 R"({"fields": {"record_count": "2", "order_datas": null}})",
                 1,
                 kAtStart,
                 "错误|Record 0 of order_datas does not exist: it holds 0",
                 {{"", "", "", "", ""}}},
        ListCase{"AnAmountThatIsNoNumber",
                 R"({"fields": {"record_count": "2", "order_datas": [
                   {"trade_time": "t1", "out_trade_no": "T1", "transaction_id": "W1",
                    "total_fee": "12,5", "trade_state": "SUCCESS"},
                   {"trade_time": "t2"}]}})",
                 1,
                 kAtStart,
                 "错误|'12,5' is not a valid floating point value",
                 {{"t1", "T1", "W1", "12,5", ""}}},
        ListCase{"ACountThatIsNoNumber", R"({"fields": {"record_count": "abc"}})", 0, kAtStart,
                 "提示|系统运行异常，请联系管理人员！"},
        ListCase{"NotXml", R"({"raw": "<xml><result>0</result>"})", 0, kAtStart,
                 "提示|系统运行异常，请联系管理人员！"},
        ListCase{"AFailure", R"({"fields": {"result": "-1", "errmsg": "门店不存在"}})", 0, kAtStart,
                 "提示|查询今日订单失败：门店不存在"},
        ListCase{"ABusinessErrorIsSilent", R"({"fields": {"result": "1", "errmsg": "忙"}})", 0,
                 kAtStart, ""},
        ListCase{"AResultThatIsNoNumber", R"({"fields": {"result": "x1"}})", 0, kAtStart,
                 "错误|'x1' is not a valid integer value"},
        ListCase{"NoReply", R"({"hangup": true})", 0, kAtStart,
                 "提示|当前网络异常，请稍后重新再试！"}),
    CaseName);

TEST_F(TodayOrder, ATenThousandOrderDayFillsTheList) {
    // About 4 MB of reply, just under what the till accepts.
    Reply("queryOrderDetail", R"({"fields": {"record_count": "10000", "order_datas": )" +
                                  JsonOrders(10000, "1234.56", 75) + "}}");
    Then("今日订单", [this](Form& f) {
        EXPECT_EQ(ListRows(f).size(), 10000u);
        EXPECT_EQ(Footer(f), "交易总笔数:10000笔  交易总金额:12345600.00元");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
    const size_t replySize = Gateway().Requests("queryOrderDetail").at(0).reply_body.size();
    EXPECT_GT(replySize, 3'900'000u);
    EXPECT_TRUE(boxes.empty()) << Boxes().at(0) << " " << replySize;
}

TEST_F(TodayOrder, ArrowsSwitchBetweenFilterAndListAndEnterWantsASelectedRow) {
    Then("今日订单", [](Form& f) {
        Type(f, "T12");
        auto* edit = f.findChild<QLineEdit*>("editOutTradeNo");
        edit->setCursorPosition(1);
        Press(f, Qt::Key_Left);
        EXPECT_EQ(f.ActiveControlName(), "ListData");
        EXPECT_EQ(SelectedRow(f), 0) << "the list selects its first row";
        Press(f, Qt::Key_Down);
        EXPECT_EQ(SelectedRow(f), 1);
        Press(f, Qt::Key_Right);
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        EXPECT_EQ(edit->cursorPosition(), 3) << "the edit is entered as a dialog enters it";
        EXPECT_EQ(edit->text().toStdString(), "T12");
        EXPECT_FALSE(edit->hasSelectedText());
        Press(f, Qt::Key_Right);
        EXPECT_EQ(f.ActiveControlName(), "ListData");
        EXPECT_EQ(SelectedRow(f), 0);
        f.findChild<QTableView*>("ListData")->selectionModel()->clearSelection();
        Press(f, Qt::Key_Return);  // rows, but none selected: nothing opens
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
    EXPECT_EQ(Gateway().Requests("orderPrintQuery").size(), 0u);
}

TEST_F(TodayOrder, AnEmptyListPassesTheFocusOnAndIgnoresEnter) {
    Reply("queryOrderDetail", R"({"fields": {"record_count": "0", "order_datas": []}})");
    Then("今日订单", [](Form& f) {
        Press(f, Qt::Key_Left);
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        f.findChild<QTableView*>("ListData")->setFocus();
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        QTest::keyClick(f.findChild<QTableView*>("ListData"), Qt::Key_Return);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
    EXPECT_EQ(Gateway().Requests("orderPrintQuery").size(), 0u);
    EXPECT_EQ(Gateway().Requests("queryOrderDetail").size(), 1u);
}

TEST_F(TodayOrder, ABusinessErrorKeepsTheRowsOfTheQueryBefore) {
    Reply("queryOrderDetail", "{}");
    Reply("queryOrderDetail", R"({"fields": {"result": "1", "errmsg": "忙"}})");
    Reply("queryOrderDetail",
          R"({"fields": {"record_count": "3", "order_datas": )" + JsonOrders(2, "5") + "}}");
    Then("今日订单", [this](Form& f) {
        Type(f, "  T1 ");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(ListRows(f), SampleOrders());
        EXPECT_TRUE(boxes.empty());
        SetText(f, "editOutTradeNo", "");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(ListRows(f).size(), 3u) << "the rows before the error stay";
        EXPECT_EQ(Footer(f), "交易总笔数:2笔  交易总金额:12.51元") << "the footer keeps its text";
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
    EXPECT_EQ(OrderNosAsked(), (std::vector<std::string>{"", "T1", ""}));
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"错误|Record 2 of order_datas does not exist: it holds 2"});
}

namespace {

const char* const kOrderSlipTitle = "            微信支付小票（补打）";

}  // namespace

TEST_F(TodayOrder, FilteredOpenedAndReprintedTwiceWithTheDetailOpen) {
    const Rows samples = SampleOrders();
    const std::string orderNo = samples[1][1];
    const std::vector<std::string> detail = {"",
                                             "商户订单号:" + orderNo,
                                             "微信订单号:" + samples[1][2],
                                             "订单总金额:12.50元",
                                             "微信支付优惠金额:0.00元",
                                             "实际支付金额:12.50元",
                                             "交易时间:" + samples[1][0],
                                             "交易状态:转入退款"};
    std::vector<std::string> printed;
    Then("今日订单", [&](Form& f) {
        Type(f, QString::fromStdString(" " + orderNo + " "));
        Press(f, Qt::Key_Return);
        EXPECT_EQ(ListRows(f), Rows{samples[1]});
        EXPECT_EQ(Footer(f), "交易总笔数:1笔  交易总金额:12.50元");
        Press(f, Qt::Key_Left);
        Press(f, Qt::Key_Return);
    });
    Then("订单详情", [&](Form& f) {
        EXPECT_EQ(f.size(), QSize(349, 437));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "按Enter补打支付小票，退出按ESC。");
        EXPECT_EQ(MemoLines(f), detail);
        auto* memo = f.findChild<QPlainTextEdit*>("MemoDetail");
        EXPECT_TRUE(memo->isReadOnly());
        EXPECT_FALSE(memo->isEnabled());
        EXPECT_EQ(memo->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::black));
        EXPECT_EQ(memo->geometry(), QRect(0, 90, 349, 347));
        Press(f, Qt::Key_Return);
        ExpectPrinted(ReprintSlip(kOrderSlipTitle, detail));
        printed.push_back(Printed());
        std::remove(folder_.File("LPT1").c_str());
        Press(f, Qt::Key_Return);
        ExpectPrinted(ReprintSlip(kOrderSlipTitle, detail));
        printed.push_back(Printed());
        EXPECT_TRUE(f.isVisible()) << "the detail stays open after each reprint";
        Press(f, Qt::Key_Escape);
    });
    Then("今日订单", [](Form& f) { Press(f, Qt::Key_Escape); });
    Run("TForm_Today_Order");
    EXPECT_EQ(printed.size(), 2u);
    EXPECT_EQ(OrderNosAsked(), (std::vector<std::string>{"", orderNo}));
    const auto details = Gateway().Requests("orderPrintQuery");
    ASSERT_EQ(details.size(), 1u) << "the detail queries once";
    EXPECT_EQ(details[0].fields.at("out_trade_no"), orderNo);
    EXPECT_EQ(details[0].field_order, (std::vector<std::string>{"appid", "mch_id", "store_appid",
                                                                "syy_id", "out_trade_no", "sign"}));
    EXPECT_TRUE(details[0].problems.empty());
    EXPECT_TRUE(boxes.empty());
}

namespace {

using OrderDetailReplies = DetailReplies;

}  // namespace

TEST_P(OrderDetailReplies, ShowAndPrintWhatTheReplyHolds) {
    CheckDetailReply("TForm_Order_Detail", "订单详情", "orderPrintQuery", Variant("T9"),
                     kOrderSlipTitle);
    EXPECT_EQ(Gateway().Requests("orderPrintQuery").at(0).fields.at("out_trade_no"), "T9");
}

INSTANTIATE_TEST_SUITE_P(
    , OrderDetailReplies,
    ::testing::Values(
        DetailCase{
            "AnEmptyDiscountIsZero",
            R"({"fields": {"out_trade_no": "T9", "transaction_id": "W9",
                      "total_fee": "12.5", "coupon_fee": "", "trade_time": "2026-12-09 10:00:09",
                      "trade_state": "NOTPAY"}})",
            {"", "商户订单号:T9", "微信订单号:W9", "订单总金额:12.5元", "微信支付优惠金额:0元",
             "实际支付金额:12.50元", "交易时间:2026-12-09 10:00:09", "交易状态:未支付"},
            ""},
        DetailCase{
            "TheDiscountTakenOffExactly",
            R"({"fields": {"out_trade_no": "T9", "transaction_id": "W9",
                      "total_fee": "0.3", "coupon_fee": "0.1", "trade_time": "t",
                      "trade_state": "CLOSED"}})",
            {"", "商户订单号:T9", "微信订单号:W9", "订单总金额:0.3元", "微信支付优惠金额:0.1元",
             "实际支付金额:0.20元", "交易时间:t", "交易状态:已关闭"},
            ""},
        DetailCase{
            "AnAmountThatIsNoNumber",
            R"({"fields": {"out_trade_no": "T9", "transaction_id": "W9",
                      "total_fee": "12,5", "coupon_fee": "0"}})",
            {"", "商户订单号:T9", "微信订单号:W9", "订单总金额:12,5元", "微信支付优惠金额:0元"},
            "错误|'12,5' is not a valid floating point value"},
        DetailCase{"AFailedQueryPrintsTheHeadAlone",
                   R"({"fields": {"result": "-2", "errmsg": "订单不存在"}})",
                   {},
                   "提示|查询订单详情失败：订单不存在"},
        DetailCase{"NoReply", R"({"status": 500})", {}, "提示|当前网络异常，请稍后重新再试！"}),
    DetailCaseName);

TEST_F(TodayOrder, AFailedFirstQueryShowsItsMessageBeforeTheDialog) {
    Reply("queryOrderDetail", R"({"fields": {"result": "-1", "errmsg": "停业"}})");
    Then("今日订单", [this](Form& f) {
        EXPECT_EQ(Boxes(), std::vector<std::string>{"提示|查询今日订单失败：停业"});
        EXPECT_TRUE(ListRows(f).empty());
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Today_Order");
}
