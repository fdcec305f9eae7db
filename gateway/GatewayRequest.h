#pragma once

#include <libxml/tree.h>

#include <string>
#include <vector>

#include "HttpClient.h"
#include "QzRuntimeGlobal.h"

// The user messages a request object leaves in ErrorMsg when it returns false.
inline constexpr const char* kNetworkErrorMsg = "当前网络异常，请稍后重新再试！";
inline constexpr const char* kSystemErrorMsg = "系统运行异常，请联系管理人员！";
inline constexpr const char* kBadSignatureMsg = "收到非法签名的数据包!";

// What every gateway operation shares: one XML document posted to BaseUrl + the operation's
// path, one XML document back. A dialog makes one object per operation, fills its request
// fields, calls BuildRequest and, when that succeeded, SendRequest, then reads the reply fields.
//
// The request text, exactly (CR LF after every line, the values in UTF-8):
//   <?xml version="1.0" encoding="UTF-8"?>
//   <xml>
//     <name><![CDATA[value]]></name>        one line per request field, in wire order
//     <sign><![CDATA[32 hex digits]]></sign>   signed operations only
//   </xml>
//
// Replies are read by exact element name among the root's direct children; an absent element
// reads as "". Neither operation clears ErrorMsg or the reply fields first.
class TGatewayRequest {
public:
    TGatewayRequest(const TGatewayRequest&) = delete;
    TGatewayRequest& operator=(const TGatewayRequest&) = delete;

    // Writes RequestXml from the request fields (and logs it when LogLevel > 0). False leaves
    // kSystemErrorMsg in ErrorMsg, the reason in the log.
    bool BuildRequest();
    // Posts RequestXml as it stands, keeps the reply in ResponseXml and reads the reply fields;
    // the operations that verify replies also check the reply's signature. False leaves one of
    // the user messages in ErrorMsg.
    bool SendRequest();
    // What SendRequest does with a reply body once it has arrived; open so that replies can be
    // put through the reader without a network.
    bool TakeReply(std::string body);

    // Every reply carries these two: result "0" success, negative a failure described by
    // errmsg, positive a business error. The dialogs decide what they mean.
    std::string result;
    std::string errmsg;

    std::string RequestXml;   // exactly the bytes that are posted
    std::string ResponseXml;  // the reply body byte for byte
    std::string ErrorMsg;

protected:
    struct TRequestField {
        const char* Name;
        std::string* Value;
        // Passwords travel as the AES text cipher of the value under the stored key.
        bool Enciphered = false;
    };
    static constexpr bool kEnciphered = true;

    enum TReplyRule : unsigned {
        kAsIs = 0,
        kZeroWhenEmpty = 1,  // amounts of a discount: "" means none
        kDeciphered = 2,     // the merchant key comes enciphered with the stored key
        kOnlyOnSuccess = 4,  // read only when result is exactly "0"
    };

    struct TReplyField {
        TReplyField(const char* name, std::string* text, unsigned rules = kAsIs)
            : Name(name), Text(text), Rules(rules) {}
        // An integer field: its text must convert, there is no fallback.
        TReplyField(const char* name, int* number) : Name(name), Number(number) {}

        const char* Name;
        std::string* Text = nullptr;
        int* Number = nullptr;
        unsigned Rules = kAsIs;
    };

    static constexpr bool kSigned = true;
    static constexpr bool kUnsigned = false;

    struct TOperation {
        std::string TRequestUrl::*Path;
        bool Signed;
        // The message when the reply's signature does not verify; nullptr: not checked.
        const char* BadSignatureMsg;
    };

    // The fields point into the derived object, which therefore can be neither copied nor moved.
    TGatewayRequest(TOperation operation, std::vector<TRequestField> requestFields,
                    std::vector<TReplyField> replyFields);
    ~TGatewayRequest() = default;

private:
    std::string ComposeRequest() const;
    void ReadReplyFields(const std::vector<xmlNode*>& children);
    bool ReplySignatureHolds(const std::vector<xmlNode*>& children) const;

    TOperation operation_;
    std::vector<TRequestField> requestFields_;
    std::vector<TReplyField> replyFields_;
    THttpClient HttpClient;
};

// The store and the cashier a request is sent for. They start as the till's store parameters
// and its signed-in cashier; a caller sets them only where a request speaks for someone else
// (the sign-in, for the account typed).
struct TStoreIdentity {
    TStoreIdentity();

    std::string appid;
    std::string mch_id;
    std::string store_appid;
    std::string syy_id;
};

// A request that opens with the four identity fields, in this wire order, before its own.
class TStoreRequest : public TStoreIdentity, public TGatewayRequest {
protected:
    TStoreRequest(TOperation operation, std::vector<TRequestField> ownFields,
                  std::vector<TReplyField> replyFields);
    ~TStoreRequest() = default;

private:
    static std::vector<TRequestField> WithIdentity(TStoreIdentity& identity,
                                                   std::vector<TRequestField> ownFields);
};
