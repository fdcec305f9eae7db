#include "Receipts.h"

#include "PayAmount.h"
#include "QzLocalTime.h"
#include "QzRuntimeGlobal.h"

std::string ReceiptText(std::initializer_list<std::string> lines) {
    std::string receipt;
    for (const std::string& line : lines) {
        receipt += line + "\r\n";
    }
    return receipt;
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
