#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ReportRows.h"

class TXmlTree;

// The day's refunds as the refund list and the refund detail read them from the gateway's
// replies. Amounts arrive as decimal yuan texts.

// The list text of a refund status: "SUCCESS" is "退款成功", and so on; anything else, empty
// included, "未确定". Compared exactly, case and all.
std::string RefundStatusText(const std::string& refundStatus);

// "退款总笔数:" count "笔  退款总金额:" sum "元  ".
std::string RefundFooter(const TReportTotals& totals);
inline constexpr const char* kRefundFooterAtStart = "退款总笔数:0笔  退款总金额:0.00元    ";

// Reads record_count, empties rows and adds one row per refund of refund_datas: order number,
// refund number, amount as received, status text, refund time. Every refund counts, failed ones
// too, each in whole fen with an exact half rounded away from zero. Raises on a count or amount
// that is no number and on a position past the last refund; the rows added so far stay, the
// last one possibly cut short.
TReportTotals FillRefundRows(const TXmlTree& reply, TReportRows& rows);

// What the refund detail shows before any detail has been read.
std::vector<std::string> RefundDetailLabels();

// The refunds the detail reply counts (record_count). Raises when it is no number.
int32_t RefundDetailCount(const TXmlTree& reply);

// Appends the order's three lines (from the first refund), then eight lines per refund, the
// first of them empty. Raises when an amount is no number or a refund is missing, after the
// lines before it have been appended.
void AppendRefundDetail(const TXmlTree& reply, int32_t count, std::vector<std::string>& lines);
