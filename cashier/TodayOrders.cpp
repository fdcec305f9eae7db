#include "TodayOrders.h"

#include "CodeTexts.h"
#include "PayAmount.h"
#include "QzErrors.h"
#include "QzXmlTree.h"

namespace {

constexpr TCodeText kTradeStates[] = {
    {"SUCCESS", "支付成功"}, {"REFUND", "转入退款"}, {"NOTPAY", "未支付"},
    {"CLOSED", "已关闭"},    {"REVOKED", "已撤销"},  {"USERPAYING", "用户支付中"},
    {"NOPAY", "支付超时"},
};

}  // namespace

std::string TradeStateText(const std::string& tradeState) {
    return CodeText(kTradeStates, tradeState, "支付失败");
}

std::string OrderFooter(const TReportTotals& totals) {
    return "交易总笔数:" + std::to_string(totals.Count) +
           "笔  交易总金额:" + FenToYuan(totals.SumFen) + "元";
}

TReportTotals FillOrderRows(const TXmlTree& reply, TReportRows& rows) {
    TReportTotals totals;
    totals.Count = ReplyInteger(reply.Value("record_count"));
    const TXmlRecords orders = reply.Records("order_datas");
    rows.clear();
    for (int32_t i = 0; i < totals.Count; ++i) {
        // The row is there before its order is read: a missing order leaves it empty.
        TReportRow& row = rows.emplace_back();
        const TXmlElement& order = orders.At(i);
        row.push_back(order.Value("trade_time"));
        row.push_back(order.Value("out_trade_no"));
        row.push_back(order.Value("transaction_id"));
        row.push_back(order.Value("total_fee"));
        const int64_t fen = YuanToFenValue(row.back(), TFenRounding::HalfToEven);
        if (__builtin_add_overflow(totals.SumFen, fen, &totals.SumFen)) {
            throw Exception("The sum of the orders is out of range");
        }
        row.push_back(TradeStateText(order.Value("trade_state")));
    }
    return totals;
}

void AppendOrderDetail(const TXmlTree& reply, std::vector<std::string>& lines) {
    const std::string totalFee = reply.Value("total_fee");
    std::string couponFee = reply.Value("coupon_fee");
    if (couponFee.empty()) {
        couponFee = "0";
    }
    lines.emplace_back();
    lines.push_back("商户订单号:" + reply.Value("out_trade_no"));
    lines.push_back("微信订单号:" + reply.Value("transaction_id"));
    lines.push_back("订单总金额:" + totalFee + "元");
    lines.push_back("微信支付优惠金额:" + couponFee + "元");
    lines.push_back("实际支付金额:" + YuanDifference(totalFee, couponFee) + "元");
    lines.push_back("交易时间:" + reply.Value("trade_time"));
    lines.push_back("交易状态:" + TradeStateText(reply.Value("trade_state")));
}
