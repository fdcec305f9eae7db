#pragma once

#include "GatewayRequest.h"

// Store information, fetched once when the store is initialised: the merchant
// parameters, the signing key among them. Neither the request nor the reply is signed.
class TQueryStoreInfo : public TGatewayRequest {
public:
    TQueryStoreInfo();

    std::string store_appid;  // the reply's store_appid replaces it on success
    std::string super_pwd;    // the supervisor password; travels enciphered

    std::string mch_name;
    std::string appid;
    std::string mch_id;
    std::string key;  // the merchant signing key, in plain text
    std::string store_name;
};
