#include "UnitQueryRefundDetail.h"

TQueryRefundDetail::TQueryRefundDetail()
    : TGatewayRequest({&TRequestUrl::queryRefundDetailUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no},
                       {"refund_date", &refund_date}},
                      {{"record_count", &record_count}}) {}
