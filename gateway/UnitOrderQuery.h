#pragma once

#include "GatewayRequest.h"

// Order query: the state of a micro pay or unified order.
class TOrderQuery : public TStoreRequest {
public:
    TOrderQuery();

    std::string out_trade_no;

    std::string errcode;
    std::string total_fee;   // fen
    std::string coupon_fee;  // fen
    std::string transaction_id;
    std::string trade_state;
    std::string time_end;
};
