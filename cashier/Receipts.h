#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// The receipts the till prints, each a text of lines ending in CR LF, in UTF-8 until the
// printer turns it into GBK.

// The lines joined, each followed by CR LF.
std::string ReceiptText(std::initializer_list<std::string> lines);

// The last line of every receipt: "打印时间:" and the present local time.
std::string PrintTimeLine();

// The thirteen-line payment receipt of a settled order; amounts in fen.
std::string PaymentReceipt(const std::string& orderNo, const std::string& transactionId,
                           int64_t totalFee, int64_t couponFee);
