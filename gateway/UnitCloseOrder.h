#pragma once

#include "GatewayRequest.h"

inline constexpr const char* kCloseOrderBadSignatureMsg = "撤销订单失败:收到非法签名的数据包!";

// Close order: withdraws a unified order nobody paid.
class TCloseOrder : public TStoreRequest {
public:
    TCloseOrder();

    std::string out_trade_no;

    std::string errcode;
};
