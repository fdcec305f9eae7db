#pragma once

#include <string>

#include "FormTodayDetail.h"

// One refund of the day in full, with every refund of its order the gateway lists; Enter
// reprints the refund receipt.
class TForm_Refund_Detail : public TForm_Today_Detail {
public:
    explicit TForm_Refund_Detail(QWidget* owner);

    // in: the order number and the refund number. Queries them, then shows the dialog
    // modally; out is not set.
    void Execute(const platform::Variant& in, platform::Variant& out);

    void QueryRefundDetail(const std::string& outTradeNo, const std::string& outRefundNo);
    void FillRefundDetail(const std::string& replyXml);

protected:
    void EnterAct() override { PrintRefundSlip(); }

private:
    void PrintRefundSlip();
};
