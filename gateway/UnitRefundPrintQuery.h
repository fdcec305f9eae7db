#pragma once

#include "GatewayRequest.h"

// The details of one refund, for its receipt; read from ResponseXml.
class TRefundPrintQuery : public TStoreRequest {
public:
    TRefundPrintQuery();

    std::string out_trade_no;
    std::string out_refund_no;
};
