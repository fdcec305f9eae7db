#pragma once

#include "GatewayRequest.h"

// Reverse: cancels a micro pay that did not settle.
class TReverse : public TStoreRequest {
public:
    TReverse();

    std::string out_trade_no;

    std::string errcode;
    std::string recall;  // "Y": the reverse may be tried again
};
