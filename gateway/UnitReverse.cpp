#include "UnitReverse.h"

TReverse::TReverse()
    : TStoreRequest({&TRequestUrl::orderReverseUrl, kSigned, kBadSignatureMsg},
                    {{"out_trade_no", &out_trade_no}},
                    {{"errcode", &errcode}, {"recall", &recall}}) {}
