#include "UnitQueryOrderDetail.h"

TQueryOrderDetail::TQueryOrderDetail()
    : TStoreRequest({&TRequestUrl::queryOrderDetailUrl, kSigned, nullptr},
                    {{"out_trade_no", &out_trade_no}, {"order_date", &order_date}},
                    {{"record_count", &record_count}}) {}
