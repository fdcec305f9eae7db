#include "FormRefundQuery.h"

#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzFormRunner.h"
#include "TodayRefunds.h"
#include "UnitQueryRefundDetail.h"

using namespace platform;

TForm_Refund_Query::TForm_Refund_Query(QWidget* owner)
    : TForm_Today_List(owner, {"今日退款",
                               1044,
                               "今日退款查询",
                               "注：按左右方向键，可在查询框与退款列表间作切换操作，退款列表中按"
                               "Eeter可查看详情及补打小票。",
                               "PanelRefundTotal",
                               kRefundFooterAtStart,
                               {{"商户订单号", 250},
                                {"商户退款单号", 250},
                                {"退款金额", 120},
                                {"退款状态", 120},
                                {"退款时间", 150}}}) {
    setObjectName("Form_Refund_Query");
}

void TForm_Refund_Query::Query(const std::string& outTradeNo, const std::string& date) {
    QueryRefunds(outTradeNo, date);
}

void TForm_Refund_Query::QueryRefunds(const std::string& outTradeNo,
                                      const std::string& refundDate) {
    GuardDialogStep(this, [&] {
        TQueryRefundDetail query;
        query.out_trade_no = outTradeNo;
        query.refund_date = refundDate;
        if (QueryGateway(this, query, "查询今日退款失败：")) {
            FillRefundList(query.ResponseXml);
        }
    });
}

void TForm_Refund_Query::FillRefundList(const std::string& replyXml) {
    FillList(replyXml, FillRefundRows, RefundFooter);
}

void TForm_Refund_Query::ShowDetail(const TReportRow& row) {
    ShowRefundDetail(row.size() > 0 ? row[0] : std::string(),
                     row.size() > 1 ? row[1] : std::string());
}

void TForm_Refund_Query::ShowRefundDetail(const std::string& outTradeNo,
                                          const std::string& outRefundNo) {
    Variant out;
    RunRegisteredForm("TForm_Refund_Detail", "Execute",
                      Variant(Variant::Strings{outTradeNo, outRefundNo}), out, true, true, false,
                      false);
}
