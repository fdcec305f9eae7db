#pragma once

#include "GatewayRequest.h"

// The details of one refund, for its receipt; read from ResponseXml.
class TRefundPrintQuery : public TGatewayRequest {
public:
    TRefundPrintQuery();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
    std::string out_trade_no;
    std::string out_refund_no;
};
