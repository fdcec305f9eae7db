#pragma once

#include "GatewayRequest.h"

// The day's totals. Amounts in yuan.
class TTodayTotal : public TGatewayRequest {
public:
    TTodayTotal();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;

    std::string total_order_num;
    std::string total_order_fee;
    std::string total_refund_num;
    std::string total_refund_fee;
    std::string total_get_fee;
};
