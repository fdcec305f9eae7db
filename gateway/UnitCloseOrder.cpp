#include "UnitCloseOrder.h"

TCloseOrder::TCloseOrder()
    : TStoreRequest({&TRequestUrl::closeOrderUrl, kSigned, kCloseOrderBadSignatureMsg},
                    {{"out_trade_no", &out_trade_no}}, {{"errcode", &errcode}}) {}
