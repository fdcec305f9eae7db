#include "UnitRefundPrintQuery.h"

TRefundPrintQuery::TRefundPrintQuery()
    : TStoreRequest({&TRequestUrl::refundPrintQueryUrl, kSigned, nullptr},
                    {{"out_trade_no", &out_trade_no}, {"out_refund_no", &out_refund_no}}, {}) {}
