#pragma once

#include "GatewayRequest.h"

// Refund: returns money of a payment, authorised by the supervisor password.
class TRefund : public TStoreRequest {
public:
    TRefund();

    std::string pass_trade_no;  // the channel order number, may be empty
    std::string out_trade_no;   // the merchant order number, may be empty
    std::string refund_fee;     // fen; the reply's amount replaces it
    std::string super_pwd;      // travels enciphered

    std::string errcode;
    std::string transaction_id;
    std::string out_refund_no;
    std::string refund_id;          // the payment service's refund number
    std::string total_fee;          // fen
    std::string coupon_refund_fee;  // fen
};
