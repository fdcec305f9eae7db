#include "TodayRefunds.h"

#include "CodeTexts.h"
#include "PayAmount.h"
#include "QzErrors.h"
#include "QzXmlTree.h"

namespace {

constexpr TCodeText kRefundStatuses[] = {
    {"SUCCESS", "退款成功"},
    {"FAIL", "退款失败"},
    {"PROCESSING", "退款处理中"},
    {"CHANGE", "转入代发"},
};

}  // namespace

std::string RefundStatusText(const std::string& refundStatus) {
    return CodeText(kRefundStatuses, refundStatus, "未确定");
}

std::string RefundFooter(const TReportTotals& totals) {
    return "退款总笔数:" + std::to_string(totals.Count) +
           "笔  退款总金额:" + FenToYuan(totals.SumFen) + "元  ";
}

TReportTotals FillRefundRows(const TXmlTree& reply, TReportRows& rows) {
    TReportTotals totals;
    totals.Count = ReplyInteger(reply.Value("record_count"));
    const TXmlRecords refunds = reply.Records("refund_datas");
    rows.clear();
    for (int32_t i = 0; i < totals.Count; ++i) {
        const TXmlElement& refund = refunds.At(i);
        TReportRow& row = rows.emplace_back();
        row.push_back(refund.Value("out_trade_no"));
        row.push_back(refund.Value("out_refund_no"));
        row.push_back(refund.Value("refund_fee"));
        row.push_back(RefundStatusText(refund.Value("refund_status")));
        row.push_back(refund.Value("refund_time"));
        const int64_t fen = YuanToFenValue(row[2], TFenRounding::HalfAwayFromZero);
        if (__builtin_add_overflow(totals.SumFen, fen, &totals.SumFen)) {
            throw Exception("The sum of the refunds is out of range");
        }
    }
    return totals;
}

std::vector<std::string> RefundDetailLabels() {
    return {"商户订单号:",   "微信订单号:",   "订单总金额:", "",
            "商户退款单号:", "微信退款单号:", "退款总金额:", "优惠退款金额:",
            "实际退款金额:", "退款时间:",     "退款状态:"};
}

int32_t RefundDetailCount(const TXmlTree& reply) {
    return ReplyInteger(reply.Value("record_count"));
}

void AppendRefundDetail(const TXmlTree& reply, int32_t count, std::vector<std::string>& lines) {
    const TXmlRecords refunds = reply.Records("refund_datas");
    const TXmlElement& first = refunds.At(0);
    lines.push_back("商户订单号:" + first.Value("out_trade_no"));
    lines.push_back("微信订单号:" + first.Value("transaction_id"));
    lines.push_back("订单总金额:" + first.Value("total_fee"));
    for (int32_t i = 0; i < count; ++i) {
        const TXmlElement& refund = refunds.At(i);
        const std::string refundFee = refund.Value("refund_fee");
        std::string coupon = refund.Value("coupon_refund_fee");
        if (coupon.empty()) {
            coupon = "0";
        }
        lines.emplace_back();
        lines.push_back("商户退款单号:" + refund.Value("out_refund_no"));
        lines.push_back("微信退款单号:" + refund.Value("refund_id"));
        lines.push_back("退款总金额:" + refundFee + "元");
        lines.push_back("优惠退款金额:" + coupon + "元");
        lines.push_back("实际退款金额:" + YuanDifference(refundFee, coupon) + "元");
        lines.push_back("退款时间:" + refund.Value("refund_time"));
        lines.push_back("退款状态:" + RefundStatusText(refund.Value("refund_status")));
    }
}
