#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One row of a report list: the caption (first column), then the sub-items. A row may hold
// fewer texts than the list has columns (a row whose filling was cut short); the rest show
// empty.
using TReportRow = std::vector<std::string>;
using TReportRows = std::vector<TReportRow>;

// What the footer of a filled list shows: the count as the reply gives it, the sum in fen.
struct TReportTotals {
    int32_t Count = 0;
    int64_t SumFen = 0;
};
