#include <QLabel>
#include <QTableView>
#include <QTest>

#include "TodayDialogFixture.h"

using namespace platform;

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Compact(std::string date) {
    date.erase(std::remove(date.begin(), date.end(), '-'), date.end());
    return date;
}

// The fake gateway's two sample refunds of the day, both of its second sample order.
Rows SampleRefunds() {
    const std::string d = Today();
    const std::string order = std::string(kMchId) + Compact(d) + "0002";
    return {{order, "R" + Compact(d) + "0001", "2.50", "退款成功", d + " 10:20:00"},
            {order, "R" + Compact(d) + "0002", "1.00", "退款处理中", d + " 10:25:30"}};
}

std::string JsonRefund(int n, const std::string& fee, const std::string& status) {
    const std::string i = std::to_string(n);
    return R"({"out_trade_no": "T1", "out_refund_no": "R)" + i + R"(", "refund_fee": ")" + fee +
           R"(", "refund_status": ")" + status + R"(", "refund_time": "2026-12-09 11:00:0)" + i +
           R"("})";
}

class RefundQuery : public TodayDialogFixture {
protected:
    std::vector<std::string> OrderNosAsked() {
        std::vector<std::string> nos;
        for (const auto& r : Gateway().Requests("queryRefundDetail")) {
            EXPECT_EQ(r.fields.at("refund_date"), Today());
            EXPECT_EQ(r.field_order,
                      (std::vector<std::string>{"appid", "mch_id", "store_appid", "syy_id",
                                                "out_trade_no", "refund_date", "sign"}));
            EXPECT_TRUE(r.problems.empty());
            nos.push_back(r.fields.at("out_trade_no"));
        }
        return nos;
    }
};

}  // namespace

TEST_F(RefundQuery, ListsTheDaysRefundsBeforeItShows) {
    Then("今日退款", [this](Form& f) {
        EXPECT_EQ(f.size(), QSize(1044, 512));
        EXPECT_EQ(f.findChild<QLabel*>("Panel2")->text().toStdString(),
                  "注：按左右方向键，可在查询框与退款列表间作切换操作，退款列表中按Eeter可查看详情"
                  "及补打小票。");
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter查询，退出按ESC。");
        ExpectColumns(f, {{"商户订单号", 250},
                          {"商户退款单号", 250},
                          {"退款金额", 120},
                          {"退款状态", 120},
                          {"退款时间", 150}});
        EXPECT_EQ(ListRows(f), SampleRefunds());
        EXPECT_EQ(Footer(f), "退款总笔数:2笔  退款总金额:3.50元  ");
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund_Query");
    EXPECT_EQ(OrderNosAsked(), std::vector<std::string>{""});
    EXPECT_TRUE(boxes.empty());
}

namespace {

using RefundListReplies = ListReplies;

const char* const kAtStart = "退款总笔数:0笔  退款总金额:0.00元    ";

}  // namespace

TEST_P(RefundListReplies, ShowWhatTheReplyHolds) {
    CheckListReply("TForm_Refund_Query", "今日退款", "queryRefundDetail");
}

INSTANTIATE_TEST_SUITE_P(
    , RefundListReplies,
    ::testing::Values(
        ListCase{"NoRefunds", R"({"fields": {"record_count": "0", "refund_datas": []}})", 0,
                 "退款总笔数:0笔  退款总金额:0.00元  ", ""},
        ListCase{"AFailedRefundCountsToo",
                 R"({"fields": {"record_count": "2", "refund_datas": [)" +
                     JsonRefund(1, "0.10", "SUCCESS") + "," + JsonRefund(2, "0.20", "FAIL") + "]}}",
                 2,
                 "退款总笔数:2笔  退款总金额:0.30元  ",
                 "",
                 {{"T1", "R1", "0.10", "退款成功", "2026-12-09 11:00:01"},
                  {"T1", "R2", "0.20", "退款失败", "2026-12-09 11:00:02"}}},
        ListCase{"StatusesExactly",
                 R"({"fields": {"record_count": "4", "refund_datas": [)" +
                     JsonRefund(1, "1", "success") + "," + JsonRefund(2, "1", "CHANGE") + "," +
                     JsonRefund(3, "1", "") + "," + JsonRefund(4, "1", "PROCESSING") + "]}}",
                 4,
                 "退款总笔数:4笔  退款总金额:4.00元  ",
                 "",
                 {{"T1", "R1", "1", "未确定", "2026-12-09 11:00:01"},
                  {"T1", "R2", "1", "转入代发", "2026-12-09 11:00:02"},
                  {"T1", "R3", "1", "未确定", "2026-12-09 11:00:03"},
                  {"T1", "R4", "1", "退款处理中", "2026-12-09 11:00:04"}}},
        ListCase{"HalvesAwayFromZero",
                 R"({"fields": {"record_count": "2", "refund_datas": [)" +
                     JsonRefund(1, "0.125", "SUCCESS") + "," + JsonRefund(2, "0.125", "FAIL") +
                     "]}}",
                 2, "退款总笔数:2笔  退款总金额:0.26元  ", ""},
        ListCase{"ASumAboveWhatThirtyTwoBitsHold",
                 R"({"fields": {"record_count": "2", "refund_datas": [)" +
                     JsonRefund(1, "21474836.47", "SUCCESS") + "," +
                     JsonRefund(2, "0.01", "SUCCESS") + "]}}",
                 2, "退款总笔数:2笔  退款总金额:21474836.48元  ", ""},
        ListCase{"AHundredKilobyteStatus",
                 R"({"fields": {"record_count": "1", "refund_datas": [)" +
                     JsonRefund(1, "1", std::string(100 * 1024, 'S')) + "]}}",
                 1,
                 "退款总笔数:1笔  退款总金额:1.00元  ",
                 "",
                 {{"T1", "R1", "1", "未确定", "2026-12-09 11:00:01"}}},
        ListCase{"FewerRefundsThanCounted",
                 R"({"fields": {"record_count": "3", "refund_datas": [)" +
                     JsonRefund(1, "1", "SUCCESS") + "]}}",
                 1, kAtStart, "错误|Record 1 of refund_datas does not exist: it holds 1"},
        ListCase{"ACountFarBeyondTheRefunds",
                 R"({"fields": {"record_count": "100000", "refund_datas": [)" +
                     JsonRefund(1, "1", "SUCCESS") + "]}}",
                 1, kAtStart, "错误|Record 1 of refund_datas does not exist: it holds 1"},
        ListCase{"AnAmountThatIsNoNumber",
                 R"({"fields": {"record_count": "1", "refund_datas": [)" +
                     JsonRefund(1, "12,5", "SUCCESS") + "]}}",
                 1,
                 kAtStart,
                 "错误|'12,5' is not a valid floating point value",
                 {{"T1", "R1", "12,5", "退款成功", "2026-12-09 11:00:01"}}},
        ListCase{"ACountThatIsNoNumber", R"({"fields": {"record_count": "abc"}})", 0, kAtStart,
                 "提示|系统运行异常，请联系管理人员！"},
        ListCase{"AFailure", R"({"fields": {"result": "-1", "errmsg": "门店不存在"}})", 0, kAtStart,
                 "提示|查询今日退款失败：门店不存在"},
        ListCase{"ABusinessErrorIsSilent", R"({"fields": {"result": "3"}})", 0, kAtStart, ""},
        ListCase{"NoReply", R"({"hangup": true})", 0, kAtStart,
                 "提示|当前网络异常，请稍后重新再试！"}),
    CaseName);

TEST_F(RefundQuery, ArrowsSwitchAndAnEmptyListPassesTheFocusOn) {
    Reply("queryRefundDetail", "{}");
    Reply("queryRefundDetail", R"({"fields": {"record_count": "0", "refund_datas": []}})");
    Then("今日退款", [this](Form& f) {
        Press(f, Qt::Key_Left);
        EXPECT_EQ(f.ActiveControlName(), "ListData");
        EXPECT_EQ(SelectedRow(f), 0);
        Press(f, Qt::Key_Right);
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        Type(f, "none");
        Press(f, Qt::Key_Return);
        EXPECT_TRUE(ListRows(f).empty());
        Press(f, Qt::Key_Right);
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeNo");
        QTest::keyClick(f.findChild<QTableView*>("ListData"), Qt::Key_Return);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund_Query");
    EXPECT_EQ(OrderNosAsked(), (std::vector<std::string>{"", "none"}));
    EXPECT_TRUE(Gateway().Requests("refundPrintQuery").empty());
    EXPECT_TRUE(boxes.empty());
}

namespace {

const char* const kRefundSlipTitle = "          微信支付退款小票（补打）";

std::string JsonRefundDetail(int n, const std::string& coupon) {
    const std::string i = std::to_string(n);
    return R"({"out_trade_no": "T1", "transaction_id": "W1", "total_fee": "30.00",)"
           R"( "out_refund_no": "R)" +
           i + R"(", "refund_id": "WR)" + i + R"(", "refund_fee": ")" + i + R"(.00",)" +
           (coupon.empty() ? "" : R"( "coupon_refund_fee": ")" + coupon + R"(",)") +
           R"( "refund_time": "2026-12-09 12:00:0)" + i + R"(", "refund_status": "SUCCESS"})";
}

std::vector<std::string> RefundLines(int n, const std::string& coupon, const std::string& paid) {
    const std::string i = std::to_string(n);
    return {"",
            "商户退款单号:R" + i,
            "微信退款单号:WR" + i,
            "退款总金额:" + i + ".00元",
            "优惠退款金额:" + coupon + "元",
            "实际退款金额:" + paid + "元",
            "退款时间:2026-12-09 12:00:0" + i,
            "退款状态:退款成功"};
}

}  // namespace

TEST_F(RefundQuery, ThreeRefundsOfOneOrderReprintThirtyFiveLines) {
    Reply("queryRefundDetail", R"({"fields": {"record_count": "3", "refund_datas": [)" +
                                   JsonRefund(1, "1.00", "SUCCESS") + "," +
                                   JsonRefund(2, "2.00", "SUCCESS") + "," +
                                   JsonRefund(3, "3.00", "SUCCESS") + "]}}");
    Reply("refundPrintQuery", R"({"fields": {"record_count": "3", "refund_datas": [)" +
                                  JsonRefundDetail(1, "0.50") + "," + JsonRefundDetail(2, "") +
                                  "," + JsonRefundDetail(3, "0") + "]}}");
    std::vector<std::string> detail = {"商户订单号:T1", "微信订单号:W1", "订单总金额:30.00"};
    for (const auto& lines : {RefundLines(1, "0.50", "0.50"), RefundLines(2, "0", "2.00"),
                              RefundLines(3, "0", "3.00")}) {
        detail.insert(detail.end(), lines.begin(), lines.end());
    }
    ASSERT_EQ(ReprintSlip(kRefundSlipTitle, detail).size() + 1, 35u);
    Then("今日退款", [](Form& f) {
        Press(f, Qt::Key_Left);
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_Return);
    });
    Then("退款详情", [&](Form& f) {
        EXPECT_EQ(f.size(), QSize(349, 391));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "按Enter补打退款小票，退出按ESC。");
        EXPECT_EQ(MemoLines(f), detail);
        Press(f, Qt::Key_Return);
        ExpectPrinted(ReprintSlip(kRefundSlipTitle, detail));
        Press(f, Qt::Key_Escape);
    });
    Then("今日退款", [](Form& f) { Press(f, Qt::Key_Escape); });
    Run("TForm_Refund_Query");
    const auto asked = Gateway().Requests("refundPrintQuery");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fields.at("out_trade_no"), "T1");
    EXPECT_EQ(asked[0].fields.at("out_refund_no"), "R2") << "the row selected";
    EXPECT_EQ(asked[0].field_order,
              (std::vector<std::string>{"appid", "mch_id", "store_appid", "syy_id", "out_trade_no",
                                        "out_refund_no", "sign"}));
    EXPECT_EQ(asked[0].sign_ok, true);
    EXPECT_TRUE(boxes.empty());
}

namespace {

using RefundDetailReplies = DetailReplies;

const std::vector<std::string> kLabels = {
    "商户订单号:", "微信订单号:",   "订单总金额:",   "",          "商户退款单号:", "微信退款单号:",
    "退款总金额:", "优惠退款金额:", "实际退款金额:", "退款时间:", "退款状态:"};

std::vector<std::string> OneRefund(const std::string& coupon, const std::string& paid) {
    std::vector<std::string> lines = {"商户订单号:T1", "微信订单号:W1", "订单总金额:30.00"};
    const auto refund = RefundLines(1, coupon, paid);
    lines.insert(lines.end(), refund.begin(), refund.end());
    return lines;
}

}  // namespace

TEST_P(RefundDetailReplies, ShowAndPrintWhatTheReplyHolds) {
    CheckDetailReply("TForm_Refund_Detail", "退款详情", "refundPrintQuery",
                     Variant(Variant::Strings{"T1", "R1"}), kRefundSlipTitle);
    const auto asked = Gateway().Requests("refundPrintQuery");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fields.at("out_refund_no"), "R1");
}

INSTANTIATE_TEST_SUITE_P(
    , RefundDetailReplies,
    ::testing::Values(
        DetailCase{"NoDiscountGiven",
                   R"({"fields": {"record_count": "1", "refund_datas": [)" +
                       JsonRefundDetail(1, "") + "]}}",
                   OneRefund("0", "1.00"), ""},
        DetailCase{"NoRefundsKeepTheLabels",
                   R"({"fields": {"record_count": "0", "refund_datas": []}})", kLabels, ""},
        DetailCase{"FewerRefundsThanCounted",
                   R"({"fields": {"record_count": "2", "refund_datas": [)" +
                       JsonRefundDetail(1, "0.50") + "]}}",
                   OneRefund("0.50", "0.50"),
                   "错误|Record 1 of refund_datas does not exist: it holds 1"},
        DetailCase{"AHundredKilobyteStatus",
                   R"({"fields": {"record_count": "1", "refund_datas": [{"out_trade_no": "T1",)"
                   R"( "refund_fee": "1", "refund_status": ")" +
                       std::string(100 * 1024, 'S') + R"("}]}})",
                   {"商户订单号:T1", "微信订单号:", "订单总金额:", "",
                    "商户退款单号:", "微信退款单号:", "退款总金额:1元", "优惠退款金额:0元",
                    "实际退款金额:1.00元", "退款时间:", "退款状态:未确定"},
                   ""},
        DetailCase{"ACountThatIsNoNumber", R"({"fields": {"record_count": "x"}})", kLabels,
                   "错误|'x' is not a valid integer value"},
        DetailCase{"AFailure", R"({"fields": {"result": "-1", "errmsg": "退款单不存在"}})", kLabels,
                   "提示|查询退款详情失败：退款单不存在"},
        DetailCase{"NoReply", R"({"drop": true})", kLabels, "提示|当前网络异常，请稍后重新再试！"}),
    DetailCaseName);
