#include "GatewayRequest.h"

#include <openssl/crypto.h>

#include "MyAES.h"
#include "QzErrors.h"
#include "QzIniFile.h"
#include "QzLog.h"
#include "QzReplyNumber.h"
#include "QzSign.h"
#include "QzXml.h"
#include "TextCodec.h"

namespace {

const char* const kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

// Every line break of the document, also one inside a value, becomes CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string ElementLine(const char* name, const std::string& value) {
    // A value holding "]]>" would end its CDATA section early and let typed text add elements
    // to a signed document.
    if (value.find("]]>") != std::string::npos) {
        throw Exception(std::string("The value of ") + name + " holds \"]]>\" and cannot be sent");
    }
    return std::string("  <") + name + "><![CDATA[" + value + "]]></" + name + ">\r\n";
}

// The text of the first root child named exactly name, "" when there is none.
std::string ChildValue(const std::vector<xmlNode*>& children, const char* name) {
    for (const xmlNode* child : children) {
        if (ElementName(child) == name) {
            return platform::ThroughGbk(ElementText(child));
        }
    }
    return {};
}

// The time taken must not tell how many leading digits of a forged signature were right.
bool SameSignature(const std::string& expected, const std::string& received) {
    return !expected.empty() && expected.size() == received.size() &&
           CRYPTO_memcmp(expected.data(), received.data(), expected.size()) == 0;
}

}  // namespace

TGatewayRequest::TGatewayRequest(TOperation operation, std::vector<TRequestField> requestFields,
                                 std::vector<TReplyField> replyFields)
    : operation_(operation),
      requestFields_(std::move(requestFields)),
      replyFields_(std::move(replyFields)) {}

bool TGatewayRequest::BuildRequest() {
    try {
        RequestXml = ComposeRequest();
        // Nothing has been sent yet: a request that cannot be logged is not sent.
        if (SystemSet.LogLevel > 0) {
            WriteLogBytes(RequestXml);
        }
        return true;
    } catch (const std::exception& e) {
        ErrorMsg = kSystemErrorMsg;
        WriteLogOrStderr(e.what());
        return false;
    }
}

std::string TGatewayRequest::ComposeRequest() const {
    std::string text = std::string(kDeclaration) + "\r\n<xml>\r\n";
    for (const TRequestField& field : requestFields_) {
        std::string value = platform::ThroughGbk(*field.Value);
        if (field.Enciphered) {
            std::string hex;
            AESEncryptString(value, kStoredAESKey, 0, hex);
            value = std::move(hex);
        }
        text += ElementLine(field.Name, value);
    }
    if (operation_.Signed) {
        // MakeSign leaves the sign empty when it fails; the request then goes out unsigned
        // and the gateway refuses it.
        std::string sign;
        MakeSign(WithCrLf(text + "</xml>\r\n"), InterfacePRM.Key, sign);
        text += ElementLine("sign", sign);
    }
    text += "</xml>\r\n";
    return WithCrLf(text);
}

bool TGatewayRequest::SendRequest() {
    std::string reply;
    try {
        reply = HttpClient.Post(SystemSet.BaseUrl + RequestUrls.*operation_.Path, RequestXml);
    } catch (const std::exception& e) {
        ErrorMsg = kNetworkErrorMsg;
        WriteLogOrStderr(e.what());
        return false;
    }
    return TakeReply(std::move(reply));
}

bool TGatewayRequest::TakeReply(std::string body) {
    try {
        ResponseXml = std::move(body);
        // The gateway may already have taken the money: a log that cannot be written must not
        // turn a reply into an error, or the cashier would charge the customer again.
        if (SystemSet.LogLevel > 0) {
            WriteLogBytesOrStderr(ResponseXml);
        }
        XmlDocument doc = ParseXml(ResponseXml);
        std::vector<xmlNode*> children = RootChildren(doc.get());
        ReadReplyFields(children);
        if (operation_.BadSignatureMsg && !ReplySignatureHolds(children)) {
            ErrorMsg = operation_.BadSignatureMsg;
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        ErrorMsg = kSystemErrorMsg;
        WriteLogOrStderr(e.what());
        return false;
    }
}

void TGatewayRequest::ReadReplyFields(const std::vector<xmlNode*>& children) {
    result = ChildValue(children, "result");
    errmsg = ChildValue(children, "errmsg");
    for (const TReplyField& field : replyFields_) {
        if ((field.Rules & kOnlyOnSuccess) && result != "0") {
            continue;
        }
        std::string text = ChildValue(children, field.Name);
        if (field.Number) {
            *field.Number = ReplyInteger(text);
            continue;
        }
        if ((field.Rules & kZeroWhenEmpty) && text.empty()) {
            text.push_back('0');
        }
        *field.Text = text;
        if (field.Rules & kDeciphered) {
            std::string plain;
            AESDecryptString(text, kStoredAESKey, 0, plain);
            *field.Text = plain;
        }
    }
}

bool TGatewayRequest::ReplySignatureHolds(const std::vector<xmlNode*>& children) const {
    std::string sign = ChildValue(children, "sign");
    if (ReplyInteger(result) < 0) {
        return true;  // a failure reply need not be signed
    }
    std::string expected;
    MakeSign(ResponseXml, InterfacePRM.Key, expected);
    return SameSignature(expected, sign);
}

TStoreIdentity::TStoreIdentity()
    : appid(InterfacePRM.AppID),
      mch_id(InterfacePRM.MchID),
      store_appid(InterfacePRM.StoreAppID),
      syy_id(SyyInfo.SyyID) {}

TStoreRequest::TStoreRequest(TOperation operation, std::vector<TRequestField> ownFields,
                             std::vector<TReplyField> replyFields)
    : TGatewayRequest(operation, WithIdentity(*this, std::move(ownFields)),
                      std::move(replyFields)) {}

std::vector<TGatewayRequest::TRequestField> TStoreRequest::WithIdentity(
    TStoreIdentity& identity, std::vector<TRequestField> ownFields) {
    std::vector<TRequestField> fields{{"appid", &identity.appid},
                                      {"mch_id", &identity.mch_id},
                                      {"store_appid", &identity.store_appid},
                                      {"syy_id", &identity.syy_id}};
    fields.insert(fields.end(), ownFields.begin(), ownFields.end());
    return fields;
}
