#pragma once

#include <string>
#include <vector>

#include "ReportRows.h"

class TXmlTree;

// The day's orders as the order list and the order detail read them from the gateway's
// replies. Amounts arrive as decimal yuan texts.

// The list text of a trade state: "SUCCESS" is "支付成功", and so on; anything else, empty
// included, "支付失败". Compared exactly, case and all.
std::string TradeStateText(const std::string& tradeState);

// "交易总笔数:" count "笔  交易总金额:" sum "元".
std::string OrderFooter(const TReportTotals& totals);
// What the footer reads before the first list has been read.
inline constexpr const char* kOrderFooterAtStart = "交易总笔数:0  交易总金额:0.00元   ";

// Reads record_count, empties rows and adds one row per order of order_datas: trade time,
// order number, transaction number, amount as received, state text. Each amount counts in
// whole fen, an exact half rounded to the even neighbour. Raises on a count or amount that is
// no number and on a position past the last order; the rows added so far stay, the last one
// possibly cut short.
TReportTotals FillOrderRows(const TXmlTree& reply, TReportRows& rows);

// Appends the eight lines of an order's details (the first empty) to lines. Raises when an
// amount is no number, after the lines before it have been appended.
void AppendOrderDetail(const TXmlTree& reply, std::vector<std::string>& lines);
