#include "UnitUnifiedOrder.h"

TUnifiedOrder::TUnifiedOrder()
    : TStoreRequest({&TRequestUrl::unifiedOrderUrl, kSigned, kBadSignatureMsg},
                    {{"total_fee", &total_fee}},
                    {{"errcode", &errcode},
                     {"out_trade_no", &out_trade_no},
                     {"prepay_id", &prepay_id},
                     {"code_url", &code_url}}) {}
