#include "UnitReverse.h"

TReverse::TReverse()
    : TGatewayRequest({&TRequestUrl::orderReverseUrl, kSigned, kBadSignatureMsg},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no}},
                      {{"errcode", &errcode}, {"recall", &recall}}) {}
