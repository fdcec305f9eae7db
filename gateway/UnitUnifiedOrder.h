#pragma once

#include "GatewayRequest.h"

// Unified order: a new order whose code_url the customer scans.
class TUnifiedOrder : public TGatewayRequest {
public:
    TUnifiedOrder();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
    std::string total_fee;  // fen

    std::string errcode;
    std::string out_trade_no;
    std::string prepay_id;
    std::string code_url;  // the text of the QR code
};
