#include "UnitOrderPrintQuery.h"

TOrderPrintQuery::TOrderPrintQuery()
    : TGatewayRequest({&TRequestUrl::orderPrintQueryUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no}},
                      {{"total_fee", &total_fee},
                       {"coupon_fee", &coupon_fee, kZeroWhenEmpty},
                       {"transaction_id", &transaction_id},
                       {"trade_time", &trade_time},
                       {"trade_state", &trade_state}}) {}
