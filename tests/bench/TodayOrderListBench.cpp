// Filling the day's order list from a reply of 10,000 orders: parsing the reply, reading the
// rows and showing them in the list dialog (offscreen).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>

#include <cstdlib>
#include <string>

#include "FormTodayOrder.h"
#include "QzXmlTree.h"
#include "ReportList.h"
#include "TodayOrders.h"

namespace {

std::string Field(const std::string& name, const std::string& value) {
    return "    <" + name + "><![CDATA[" + value + "]]></" + name + ">\r\n";
}

// A list reply laid out as the gateway lays it out.
std::string OrderListReply(int count) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<xml>\r\n";
    xml += "  <result><![CDATA[0]]></result>\r\n  <errmsg><![CDATA[OK]]></errmsg>\r\n";
    xml += "  <record_count><![CDATA[" + std::to_string(count) + "]]></record_count>\r\n";
    xml += "  <order_datas>\r\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(100000 + i);
        xml += "  <order_data>\r\n" + Field("trade_time", "2026-12-09 10:12:45") +
               Field("out_trade_no", "190000010920261209" + n) +
               Field("transaction_id", "42000002026120900000000" + n) +
               Field("total_fee", std::to_string(i % 1000) + "." + std::to_string(10 + i % 90)) +
               Field("trade_state", i % 7 ? "SUCCESS" : "REFUND") + "  </order_data>\r\n";
    }
    return xml + "  </order_datas>\r\n  <sign><![CDATA[0]]></sign>\r\n</xml>\r\n";
}

const std::string& Reply() {
    static const std::string reply = OrderListReply(10000);
    return reply;
}

void BM_ParseOrderList(benchmark::State& state) {
    for (auto _ : state) {
        TXmlTree tree(Reply());
        benchmark::DoNotOptimize(tree.Records("order_datas").Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Reply().size()));
}
BENCHMARK(BM_ParseOrderList)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

void BM_ReadOrderRows(benchmark::State& state) {
    for (auto _ : state) {
        TReportRows rows;
        benchmark::DoNotOptimize(FillOrderRows(TXmlTree(Reply()), rows).SumFen);
    }
}
BENCHMARK(BM_ReadOrderRows)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

// The whole step the cashier waits for: the dialog's FillOrderList, then the list painted.
void BM_FillOrderListDialog(benchmark::State& state) {
    TForm_Today_Order dialog(nullptr);
    dialog.show();
    QApplication::processEvents();
    for (auto _ : state) {
        dialog.FillOrderList(Reply());
        dialog.findChild<QTableView*>("ListData")->repaint();
        QApplication::processEvents();
    }
    if (dialog.findChild<QTableView*>("ListData")->model()->rowCount() != 10000) {
        state.SkipWithError("the list was not filled");
    }
}
BENCHMARK(BM_FillOrderListDialog)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
