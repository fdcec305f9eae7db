#include "UnitMicroPay.h"

TMicroPay::TMicroPay()
    : TStoreRequest({&TRequestUrl::microPayUrl, kSigned, kBadSignatureMsg},
                    {{"total_fee", &total_fee}, {"auth_code", &auth_code}},
                    {{"errcode", &errcode},
                     {"out_trade_no", &out_trade_no},
                     {"total_fee", &total_fee},
                     {"coupon_fee", &coupon_fee, kZeroWhenEmpty},
                     {"transaction_id", &transaction_id},
                     {"time_end", &time_end}}) {}
