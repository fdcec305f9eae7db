#pragma once

#include "GatewayRequest.h"

// Micro pay: charges the amount due to the customer's payment code.
class TMicroPay : public TStoreRequest {
public:
    TMicroPay();

    std::string total_fee;  // fen; the reply's amount replaces it
    std::string auth_code;  // the customer's payment code

    std::string errcode;
    std::string out_trade_no;    // the merchant order number
    std::string coupon_fee;      // fen
    std::string transaction_id;  // the payment service's order number
    std::string time_end;
};
