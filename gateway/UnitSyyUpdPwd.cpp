#include "UnitSyyUpdPwd.h"

TSyyUpdPwd::TSyyUpdPwd()
    : TStoreRequest({&TRequestUrl::syyUpdPwdUrl, kSigned, nullptr},
                    {{"syy_pwd", &syy_pwd, kEnciphered}, {"syy_newpwd", &syy_newpwd, kEnciphered}},
                    {}) {}
