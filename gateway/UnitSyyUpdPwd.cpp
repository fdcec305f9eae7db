#include "UnitSyyUpdPwd.h"

TSyyUpdPwd::TSyyUpdPwd()
    : TGatewayRequest({&TRequestUrl::syyUpdPwdUrl, kSigned, nullptr},
                      {{"appid", &appid},
                       {"mch_id", &mch_id},
                       {"store_appid", &store_appid},
                       {"syy_id", &syy_id},
                       {"syy_pwd", &syy_pwd, kEnciphered},
                       {"syy_newpwd", &syy_newpwd, kEnciphered}},
                      {}) {}
