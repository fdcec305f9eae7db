#include "UnitSyyLogin.h"

TSyyLogin::TSyyLogin()
    : TGatewayRequest({&TRequestUrl::syyLoginUrl, kUnsigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"syy_pwd", &syy_pwd, kEnciphered}},
                      {{"syy_name", &syy_name}}) {}
