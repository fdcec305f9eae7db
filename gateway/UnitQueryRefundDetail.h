#pragma once

#include "GatewayRequest.h"

// The day's refunds; the dialog reads the records from ResponseXml.
class TQueryRefundDetail : public TStoreRequest {
public:
    TQueryRefundDetail();

    std::string out_trade_no;  // a filter; empty for the whole day
    std::string refund_date;   // yyyy-mm-dd

    int record_count = 0;
};
