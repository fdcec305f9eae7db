#pragma once

#include "GatewayRequest.h"

// The details of one order, for its receipt. Amounts in yuan.
class TOrderPrintQuery : public TStoreRequest {
public:
    TOrderPrintQuery();

    std::string out_trade_no;

    std::string total_fee;
    std::string coupon_fee;
    std::string transaction_id;
    std::string trade_time;
    std::string trade_state;
};
