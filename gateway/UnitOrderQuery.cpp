#include "UnitOrderQuery.h"

TOrderQuery::TOrderQuery()
    : TStoreRequest({&TRequestUrl::orderQueryUrl, kSigned, kBadSignatureMsg},
                    {{"out_trade_no", &out_trade_no}},
                    {{"errcode", &errcode},
                     {"total_fee", &total_fee},
                     {"coupon_fee", &coupon_fee, kZeroWhenEmpty},
                     {"transaction_id", &transaction_id},
                     {"trade_state", &trade_state},
                     {"time_end", &time_end}}) {}
