#include "UnitQueryStoreInfo.h"

TQueryStoreInfo::TQueryStoreInfo()
    : TGatewayRequest({&TRequestUrl::queryStoreInfoUrl, kUnsigned, nullptr},
                      {{"store_appid", &store_appid}, {"super_pwd", &super_pwd, kEnciphered}},
                      {{"mch_name", &mch_name, kOnlyOnSuccess},
                       {"appid", &appid, kOnlyOnSuccess},
                       {"mch_id", &mch_id, kOnlyOnSuccess},
                       {"key", &key, kOnlyOnSuccess | kDeciphered},
                       {"store_appid", &store_appid, kOnlyOnSuccess},
                       {"store_name", &store_name, kOnlyOnSuccess}}) {}
