#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class TRefund;

// The receipts the till prints, each a text of lines ending in CR LF, in UTF-8 until the
// printer turns it into GBK.

// The lines joined, each followed by CR LF.
std::string ReceiptText(std::initializer_list<std::string> lines);

// The last line of every receipt: "打印时间:" and the present local time.
std::string PrintTimeLine();

// The thirteen-line payment receipt of a settled order; amounts in fen.
std::string PaymentReceipt(const std::string& orderNo, const std::string& transactionId,
                           int64_t totalFee, int64_t couponFee);

// The sixteen-line receipt of an accepted refund: the merchant order number as sent, the
// reply's numbers and amounts. The amounts are read as integers of fen; raises before anything
// is made when one is none.
std::string RefundReceipt(const TRefund& refund);

// The day's totals as shown: the title, an empty line, the shown text (lines each ending in a
// line break), an empty line and the print time.
std::string TodayTotalReceipt(const std::string& shownText);

// Lines each followed by CR LF, as a multi-line text holds them.
std::string LinesText(const std::vector<std::string>& lines);

// The payment receipt reprinted from the order detail: a head, the detail's lines (sixteen
// lines with a detail read, the first of its lines empty), two empty lines and the print time.
std::string OrderReprint(const std::vector<std::string>& detailLines);

// The refund receipt reprinted from the refund detail: a head, the detail's lines, two empty
// lines and the print time.
std::string RefundReprint(const std::vector<std::string>& detailLines);
