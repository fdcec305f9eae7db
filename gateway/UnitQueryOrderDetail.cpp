#include "UnitQueryOrderDetail.h"

TQueryOrderDetail::TQueryOrderDetail()
    : TGatewayRequest({&TRequestUrl::queryOrderDetailUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no},
                       {"order_date", &order_date}},
                      {{"record_count", &record_count}}) {}
