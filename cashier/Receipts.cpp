#include "Receipts.h"

#include "PayAmount.h"
#include "QzLocalTime.h"
#include "QzRuntimeGlobal.h"
#include "UnitRefund.h"

std::string ReceiptText(std::initializer_list<std::string> lines) {
    return LinesText(std::vector<std::string>(lines));
}

std::string PrintTimeLine() {
    return "打印时间:" + LocalTimeText();
}

std::string PaymentReceipt(const std::string& orderNo, const std::string& transactionId,
                           int64_t totalFee, int64_t couponFee) {
    return ReceiptText({
        "          微信支付小票",
        "",
        "所属商户:" + InterfacePRM.MchName,
        "门店名称:" + InterfacePRM.StoreName,
        "收银员编号:" + SyyInfo.SyyID,
        "",
        "商户订单号:" + orderNo,
        "微信订单号:" + transactionId,
        "应付金额:" + FenToYuan(totalFee) + "元",
        "微信支付优惠:" + FenToYuan(couponFee) + "元",
        "实付金额:" + FenToYuan(totalFee - couponFee) + "元",
        "",
        PrintTimeLine(),
    });
}

std::string RefundReceipt(const TRefund& refund) {
    const int64_t total = ReplyInteger(refund.total_fee);
    const int64_t refunded = ReplyInteger(refund.refund_fee);
    const int64_t coupon = ReplyInteger(refund.coupon_refund_fee);
    return ReceiptText({
        "          微信支付退款小票",
        "",
        "所属商户:" + InterfacePRM.MchName,
        "门店名称:" + InterfacePRM.StoreName,
        "操作员编号:" + SyyInfo.SyyID,
        "商户订单号:" + refund.out_trade_no,
        "微信订单号:" + refund.transaction_id,
        "订单总金额:" + FenToYuan(total) + "元",
        "",
        "商户退款单号:" + refund.out_refund_no,
        "微信退款单号:" + refund.refund_id,
        "退款总金额:" + FenToYuan(refunded) + "元",
        "优惠退款金额:" + FenToYuan(coupon) + "元",
        "实际退款金额:" + FenToYuan(refunded - coupon) + "元",
        "",
        PrintTimeLine(),
    });
}

std::string TodayTotalReceipt(const std::string& shownText) {
    return ReceiptText({"            微信支付今日汇总", "", shownText, "", PrintTimeLine()});
}

std::string LinesText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

std::string OrderReprint(const std::vector<std::string>& detailLines) {
    // The detail goes in as one entry that ends in a line break of its own.
    return ReceiptText({
        "            微信支付小票（补打）",
        "",
        "所属商户:" + InterfacePRM.MchName,
        "门店名称:" + InterfacePRM.StoreName,
        "操作员编号:" + SyyInfo.SyyID,
        LinesText(detailLines),
        "",
        PrintTimeLine(),
    });
}

std::string RefundReprint(const std::vector<std::string>& detailLines) {
    return ReceiptText({
               "          微信支付退款小票（补打）",
               "",
               "所属商户:" + InterfacePRM.MchName,
               "门店名称:" + InterfacePRM.StoreName,
               "操作员编号:" + SyyInfo.SyyID,
           }) +
           LinesText(detailLines) + ReceiptText({"", "", PrintTimeLine()});
}
