#include "UnitOrderPrintQuery.h"

TOrderPrintQuery::TOrderPrintQuery()
    : TStoreRequest({&TRequestUrl::orderPrintQueryUrl, kSigned, nullptr},
                    {{"out_trade_no", &out_trade_no}},
                    {{"total_fee", &total_fee},
                     {"coupon_fee", &coupon_fee, kZeroWhenEmpty},
                     {"transaction_id", &transaction_id},
                     {"trade_time", &trade_time},
                     {"trade_state", &trade_state}}) {}
