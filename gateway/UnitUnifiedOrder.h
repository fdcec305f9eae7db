#pragma once

#include "GatewayRequest.h"

// Unified order: a new order whose code_url the customer scans.
class TUnifiedOrder : public TStoreRequest {
public:
    TUnifiedOrder();

    std::string total_fee;  // fen

    std::string errcode;
    std::string out_trade_no;
    std::string prepay_id;
    std::string code_url;  // the text of the QR code
};
