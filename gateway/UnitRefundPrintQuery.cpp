#include "UnitRefundPrintQuery.h"

TRefundPrintQuery::TRefundPrintQuery()
    : TGatewayRequest({&TRequestUrl::refundPrintQueryUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"out_trade_no", &out_trade_no},
                       {"out_refund_no", &out_refund_no}},
                      {}) {}
