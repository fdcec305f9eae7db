#pragma once

#include "GatewayRequest.h"

// The day's totals. Amounts in yuan.
class TTodayTotal : public TStoreRequest {
public:
    TTodayTotal();

    std::string total_order_num;
    std::string total_order_fee;
    std::string total_refund_num;
    std::string total_refund_fee;
    std::string total_get_fee;
};
