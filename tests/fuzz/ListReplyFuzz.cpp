#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "QzErrors.h"
#include "QzXmlTree.h"
#include "TodayOrders.h"
#include "TodayRefunds.h"

namespace {

// Runs a reader: a reply it cannot read raises Exception, which the dialogs catch; anything
// else escapes and fails the run.
template <class Read>
void Expect(const Read& read) {
    try {
        read();
    } catch (const Exception&) {
    }
}

}  // namespace

// Any bytes as the reply the order and refund lists and their details read records from.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    const std::string body(reinterpret_cast<const char*>(data), size);
    try {
        const TXmlTree reply(body);
        const size_t orders = reply.Records("order_datas").Count();
        const size_t refunds = reply.Records("refund_datas").Count();
        // Never more rows than the reply holds records (the order list begins a row before it
        // looks for its order), never more detail lines than its refunds make.
        TReportRows rows;
        Expect([&] { FillOrderRows(reply, rows); });
        if (rows.size() > orders + 1) {
            __builtin_trap();
        }
        rows.clear();
        Expect([&] { FillRefundRows(reply, rows); });
        if (rows.size() > refunds) {
            __builtin_trap();
        }
        std::vector<std::string> lines;
        Expect([&] { AppendOrderDetail(reply, lines); });
        lines.clear();
        Expect([&] { AppendRefundDetail(reply, RefundDetailCount(reply), lines); });
        if (lines.size() > 3 + 8 * refunds) {
            __builtin_trap();
        }
    } catch (const Exception&) {
        // Not a document: the dialogs show the parser's message.
    }
    folder.AfterRun();
    return 0;
}
