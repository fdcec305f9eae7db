#pragma once

#include "GatewayRequest.h"

// The day's refunds; the dialog reads the records from ResponseXml.
class TQueryRefundDetail : public TGatewayRequest {
public:
    TQueryRefundDetail();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
    std::string out_trade_no;  // a filter; empty for the whole day
    std::string refund_date;   // yyyy-mm-dd

    int record_count = 0;
};
