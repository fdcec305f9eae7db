#include "UnitSyyLogin.h"

TSyyLogin::TSyyLogin()
    : TStoreRequest({&TRequestUrl::syyLoginUrl, kUnsigned, nullptr},
                    {{"syy_pwd", &syy_pwd, kEnciphered}}, {{"syy_name", &syy_name}}) {}
