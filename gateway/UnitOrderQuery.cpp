#include "UnitOrderQuery.h"

TOrderQuery::TOrderQuery()
    : TGatewayRequest({&TRequestUrl::orderQueryUrl, kSigned, kBadSignatureMsg},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no}},
                      {{"errcode", &errcode},
                       {"total_fee", &total_fee},
                       {"coupon_fee", &coupon_fee, kZeroWhenEmpty},
                       {"transaction_id", &transaction_id},
                       {"trade_state", &trade_state},
                       {"time_end", &time_end}}) {}
