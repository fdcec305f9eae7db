#pragma once

#include "GatewayRequest.h"

// Changes the signed-in cashier's password.
class TSyyUpdPwd : public TStoreRequest {
public:
    TSyyUpdPwd();

    std::string syy_pwd;     // travels enciphered
    std::string syy_newpwd;  // travels enciphered
};
