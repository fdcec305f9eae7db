#include "UnitTodayTotal.h"

TTodayTotal::TTodayTotal()
    : TGatewayRequest({&TRequestUrl::todayTotalUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id}},
                      {{"total_order_num", &total_order_num},
                       {"total_order_fee", &total_order_fee},
                       {"total_refund_num", &total_refund_num},
                       {"total_refund_fee", &total_refund_fee},
                       {"total_get_fee", &total_get_fee}}) {}
