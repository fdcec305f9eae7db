#pragma once

#include <string>

#include "FormTodayList.h"

// The store's orders of the day, optionally one order number, with their count and sum; Enter
// on a row opens its detail.
class TForm_Today_Order : public TForm_Today_List {
public:
    explicit TForm_Today_Order(QWidget* owner);

    void QueryOrders(const std::string& outTradeNo, const std::string& orderDate);
    // Replaces the rows and the footer by those of a list reply.
    void FillOrderList(const std::string& replyXml);

protected:
    void Query(const std::string& outTradeNo, const std::string& date) override;
    void ShowDetail(const TReportRow& row) override;

private:
    void ShowOrderDetail(const std::string& outTradeNo);
};
