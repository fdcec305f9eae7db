#pragma once

#include <string>

#include "FormTodayList.h"

// The store's refunds of the day, optionally of one order number, with their count and sum;
// Enter on a row opens its detail.
class TForm_Refund_Query : public TForm_Today_List {
public:
    explicit TForm_Refund_Query(QWidget* owner);

    void QueryRefunds(const std::string& outTradeNo, const std::string& refundDate);
    // Replaces the rows and the count line by those of a list reply.
    void FillRefundList(const std::string& replyXml);

protected:
    void Query(const std::string& outTradeNo, const std::string& date) override;
    void ShowDetail(const TReportRow& row) override;

private:
    void ShowRefundDetail(const std::string& outTradeNo, const std::string& outRefundNo);
};
