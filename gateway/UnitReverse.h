#pragma once

#include "GatewayRequest.h"

// Reverse: cancels a micro pay that did not settle.
class TReverse : public TGatewayRequest {
public:
    TReverse();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
    std::string out_trade_no;

    std::string errcode;
    std::string recall;  // "Y": the reverse may be tried again
};
