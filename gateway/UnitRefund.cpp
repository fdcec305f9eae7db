#include "UnitRefund.h"

TRefund::TRefund()
    : TStoreRequest({&TRequestUrl::refundUrl, kSigned, kBadSignatureMsg},
                    {{"pass_trade_no", &pass_trade_no},
                     {"out_trade_no", &out_trade_no},
                     {"refund_fee", &refund_fee},
                     {"super_pwd", &super_pwd, kEnciphered}},
                    {{"errcode", &errcode},
                     {"transaction_id", &transaction_id},
                     {"out_refund_no", &out_refund_no},
                     {"refund_id", &refund_id},
                     {"refund_fee", &refund_fee},
                     {"coupon_refund_fee", &coupon_refund_fee, kZeroWhenEmpty},
                     {"total_fee", &total_fee}}) {}
