#pragma once

#include "GatewayRequest.h"

// Cashier sign-in: the account number and password typed; the reply names the cashier.
class TSyyLogin : public TGatewayRequest {
public:
    TSyyLogin();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;   // the account number typed
    std::string syy_pwd;  // travels enciphered

    std::string syy_name = "未知";  // the cashier's name; "未知" until a reply replaces it
};
