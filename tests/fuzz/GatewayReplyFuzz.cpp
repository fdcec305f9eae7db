#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "UnitMicroPay.h"
#include "UnitQueryOrderDetail.h"
#include "UnitQueryStoreInfo.h"
#include "UnitSyyLogin.h"

namespace {

// A reply either reads or ends with one of the user messages; the body is always kept whole.
template <class Request>
void ReadReply(const std::string& body) {
    Request request;
    bool read = request.TakeReply(body);
    if (request.ResponseXml != body) {
        __builtin_trap();
    }
    if (!read && request.ErrorMsg != kSystemErrorMsg && request.ErrorMsg != kBadSignatureMsg) {
        __builtin_trap();
    }
}

}  // namespace

// Any bytes as the gateway's reply to four readers that between them verify a signature,
// decipher the merchant key, convert an integer and take any result.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    InterfacePRM.Key = "192006250b4c09247ec02edce69f6a2d";
    std::string body(reinterpret_cast<const char*>(data), size);
    ReadReply<TMicroPay>(body);
    ReadReply<TQueryStoreInfo>(body);
    ReadReply<TQueryOrderDetail>(body);
    ReadReply<TSyyLogin>(body);
    folder.AfterRun();
    return 0;
}
