#pragma once

#include "GatewayRequest.h"

// The day's orders; the dialog reads the records from ResponseXml.
class TQueryOrderDetail : public TStoreRequest {
public:
    TQueryOrderDetail();

    std::string out_trade_no;  // a filter; empty for the whole day
    std::string order_date;    // yyyy-mm-dd

    int record_count = 0;
};
