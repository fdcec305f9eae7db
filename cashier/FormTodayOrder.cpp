#include "FormTodayOrder.h"

#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzFormRunner.h"
#include "TodayOrders.h"
#include "UnitQueryOrderDetail.h"

using namespace platform;

TForm_Today_Order::TForm_Today_Order(QWidget* owner)
    : TForm_Today_List(owner, {"今日订单",
                               1018,
                               "今日订单查询",
                               "注：按左右方向键，可在查询框与订单列表间作切换操作，订单列表中按"
                               "Enter可查看详情及补打小票。",
                               "PanelOrderInfo",
                               kOrderFooterAtStart,
                               {{"交易时间", 150},
                                {"商户订单号", 250},
                                {"微信订单号", 250},
                                {"订单总金额", 120},
                                {"交易状态", 100}}}) {
    setObjectName("Form_Today_Order");
}

void TForm_Today_Order::Query(const std::string& outTradeNo, const std::string& date) {
    QueryOrders(outTradeNo, date);
}

void TForm_Today_Order::QueryOrders(const std::string& outTradeNo, const std::string& orderDate) {
    GuardDialogStep(this, [&] {
        TQueryOrderDetail query;
        query.out_trade_no = outTradeNo;
        query.order_date = orderDate;
        if (QueryGateway(this, query, "查询今日订单失败：")) {
            FillOrderList(query.ResponseXml);
        }
    });
}

void TForm_Today_Order::FillOrderList(const std::string& replyXml) {
    FillList(replyXml, FillOrderRows, OrderFooter);
}

void TForm_Today_Order::ShowDetail(const TReportRow& row) {
    ShowOrderDetail(row.size() > 1 ? row[1] : std::string());
}

void TForm_Today_Order::ShowOrderDetail(const std::string& outTradeNo) {
    Variant out;
    RunRegisteredForm("TForm_Order_Detail", "Execute", Variant(outTradeNo), out, true, true, false,
                      false);
}
