#include "FormOrderDetail.h"

#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzPrint.h"
#include "QzXmlTree.h"
#include "Receipts.h"
#include "TodayOrders.h"
#include "UnitOrderPrintQuery.h"

using namespace platform;

TForm_Order_Detail::TForm_Order_Detail(QWidget* owner)
    : TForm_Today_Detail(owner, {"订单详情", 437, "按Enter补打支付小票，退出按"}) {
    setObjectName("Form_Order_Detail");
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
}

void TForm_Order_Detail::Execute(const Variant& in, Variant&) {
    QueryOrderDetail(in.AsString());
    ShowModal();
}

void TForm_Order_Detail::QueryOrderDetail(const std::string& outTradeNo) {
    GuardDialogStep(this, [&] {
        TOrderPrintQuery query;
        query.out_trade_no = outTradeNo;
        if (QueryGateway(this, query, "查询订单详情失败：")) {
            FillOrderDetail(query.ResponseXml);
        }
    });
}

void TForm_Order_Detail::FillOrderDetail(const std::string& replyXml) {
    GuardDialogStep(this, [&] {
        const TXmlTree reply(replyXml);
        FillMemo([&](std::vector<std::string>& lines) { AppendOrderDetail(reply, lines); });
    });
}

void TForm_Order_Detail::PrintPaySlip() {
    GuardDialogStep(this, [&] { PrintReceipt(OrderReprint(MemoLines())); });
}
