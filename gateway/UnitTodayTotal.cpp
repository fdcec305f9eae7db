#include "UnitTodayTotal.h"

TTodayTotal::TTodayTotal()
    : TStoreRequest({&TRequestUrl::todayTotalUrl, kSigned, nullptr}, {},
                    {{"total_order_num", &total_order_num},
                     {"total_order_fee", &total_order_fee},
                     {"total_refund_num", &total_refund_num},
                     {"total_refund_fee", &total_refund_fee},
                     {"total_get_fee", &total_get_fee}}) {}
