#pragma once

#include <string>

#include "FormTodayDetail.h"

// One order of the day in full; Enter reprints its payment receipt.
class TForm_Order_Detail : public TForm_Today_Detail {
public:
    explicit TForm_Order_Detail(QWidget* owner);

    // in: the order number. Queries it, then shows the dialog modally; out is not set.
    void Execute(const platform::Variant& in, platform::Variant& out);

    void QueryOrderDetail(const std::string& outTradeNo);
    void FillOrderDetail(const std::string& replyXml);

protected:
    void EnterAct() override { PrintPaySlip(); }

private:
    void PrintPaySlip();
};
