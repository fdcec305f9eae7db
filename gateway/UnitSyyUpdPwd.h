#pragma once

#include "GatewayRequest.h"

// Changes the signed-in cashier's password.
class TSyyUpdPwd : public TGatewayRequest {
public:
    TSyyUpdPwd();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
    std::string syy_pwd;     // travels enciphered
    std::string syy_newpwd;  // travels enciphered
};
