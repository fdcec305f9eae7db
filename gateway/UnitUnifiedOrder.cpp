#include "UnitUnifiedOrder.h"

TUnifiedOrder::TUnifiedOrder()
    : TGatewayRequest({&TRequestUrl::unifiedOrderUrl, kSigned, kBadSignatureMsg},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"total_fee", &total_fee}},
                      {{"errcode", &errcode},
                       {"out_trade_no", &out_trade_no},
                       {"prepay_id", &prepay_id},
                       {"code_url", &code_url}}) {}
