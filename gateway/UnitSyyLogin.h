#pragma once

#include "GatewayRequest.h"

// Cashier sign-in: the account number typed goes in syy_id, with the password typed; the
// reply names the cashier.
class TSyyLogin : public TStoreRequest {
public:
    TSyyLogin();

    std::string syy_pwd;  // travels enciphered

    std::string syy_name = "未知";  // the cashier's name; "未知" until a reply replaces it
};
