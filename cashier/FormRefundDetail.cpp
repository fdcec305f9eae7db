#include "FormRefundDetail.h"

#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzPrint.h"
#include "QzXmlTree.h"
#include "Receipts.h"
#include "TodayRefunds.h"
#include "UnitRefundPrintQuery.h"

using namespace platform;

TForm_Refund_Detail::TForm_Refund_Detail(QWidget* owner)
    : TForm_Today_Detail(owner, {"退款详情", 391, "按Enter补打退款小票，退出按"}) {
    setObjectName("Form_Refund_Detail");
    ShowMemo(RefundDetailLabels());
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
}

void TForm_Refund_Detail::Execute(const Variant& in, Variant&) {
    const Variant::Strings refund = in.AsArray();
    QueryRefundDetail(refund.size() > 0 ? refund[0] : std::string(),
                      refund.size() > 1 ? refund[1] : std::string());
    ShowModal();
}

void TForm_Refund_Detail::QueryRefundDetail(const std::string& outTradeNo,
                                            const std::string& outRefundNo) {
    GuardDialogStep(this, [&] {
        TRefundPrintQuery query;
        query.out_trade_no = outTradeNo;
        query.out_refund_no = outRefundNo;
        if (QueryGateway(this, query, "查询退款详情失败：")) {
            FillRefundDetail(query.ResponseXml);
        }
    });
}

void TForm_Refund_Detail::FillRefundDetail(const std::string& replyXml) {
    GuardDialogStep(this, [&] {
        const TXmlTree reply(replyXml);
        const int32_t count = RefundDetailCount(reply);
        if (count < 1) {
            return;  // the details keep what they showed
        }
        FillMemo([&](std::vector<std::string>& lines) { AppendRefundDetail(reply, count, lines); });
    });
}

void TForm_Refund_Detail::PrintRefundSlip() {
    GuardDialogStep(this, [&] { PrintReceipt(RefundReprint(MemoLines())); });
}
