#include "UnitCloseOrder.h"

TCloseOrder::TCloseOrder()
    : TGatewayRequest({&TRequestUrl::closeOrderUrl, kSigned, kCloseOrderBadSignatureMsg},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no}},
                      {{"errcode", &errcode}}) {}
