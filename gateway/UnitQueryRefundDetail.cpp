#include "UnitQueryRefundDetail.h"

TQueryRefundDetail::TQueryRefundDetail()
    : TStoreRequest({&TRequestUrl::queryRefundDetailUrl, kSigned, nullptr},
                    {{"out_trade_no", &out_trade_no}, {"refund_date", &refund_date}},
                    {{"record_count", &record_count}}) {}
