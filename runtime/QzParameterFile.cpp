#include "QzParameterFile.h"

#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "MyAES.h"
#include "PrivateProfile.h"
#include "QzErrors.h"
#include "QzLog.h"
#include "QzRuntimeGlobal.h"
#include "QzXml.h"
#include "TextCodec.h"

namespace {

constexpr int kKeyType = 0;

const std::pair<const char*, std::string TRequestUrl::*> kUrlFields[] = {
    {"queryStoreInfoUrl", &TRequestUrl::queryStoreInfoUrl},
    {"syyLoginUrl", &TRequestUrl::syyLoginUrl},
    {"microPayUrl", &TRequestUrl::microPayUrl},
    {"orderQueryUrl", &TRequestUrl::orderQueryUrl},
    {"orderReverseUrl", &TRequestUrl::orderReverseUrl},
    {"closeOrderUrl", &TRequestUrl::closeOrderUrl},
    {"unifiedOrderUrl", &TRequestUrl::unifiedOrderUrl},
    {"refundUrl", &TRequestUrl::refundUrl},
    {"refundQueryUrl", &TRequestUrl::refundQueryUrl},
    {"queryRefundDetailUrl", &TRequestUrl::queryRefundDetailUrl},
    {"queryOrderDetailUrl", &TRequestUrl::queryOrderDetailUrl},
    {"refundPrintQueryUrl", &TRequestUrl::refundPrintQueryUrl},
    {"orderPrintQueryUrl", &TRequestUrl::orderPrintQueryUrl},
    {"todayTotalUrl", &TRequestUrl::todayTotalUrl},
    {"syyUpdPwdUrl", &TRequestUrl::syyUpdPwdUrl},
};

struct MerchantField {
    const char* name;
    std::string TInterfacePRM::*field;
    bool enciphered;
};

const MerchantField kMerchantFields[] = {
    {"MchName", &TInterfacePRM::MchName, false},
    {"MchID", &TInterfacePRM::MchID, true},
    {"AppID", &TInterfacePRM::AppID, true},
    {"Key", &TInterfacePRM::Key, true},
    {"StoreName", &TInterfacePRM::StoreName, false},
    {"StoreAppID", &TInterfacePRM::StoreAppID, true},
};

const char* const kTemplate =
    "<xml>\r\n"
    "<RequestUrl>\r\n"
    "<queryStoreInfoUrl></queryStoreInfoUrl>\r\n"
    "<syyLoginUrl></syyLoginUrl>\r\n"
    "<microPayUrl></microPayUrl>\r\n"
    "<orderQueryUrl></orderQueryUrl>\r\n"
    "<orderReverseUrl></orderReverseUrl>\r\n"
    "<closeOrderUrl></closeOrderUrl>\r\n"
    "<unifiedOrderUrl></unifiedOrderUrl>\r\n"
    "<refundUrl></refundUrl>\r\n"
    "<refundQueryUrl></refundQueryUrl>\r\n"
    "<queryRefundDetailUrl></queryRefundDetailUrl>\r\n"
    "<queryOrderDetailUrl></queryOrderDetailUrl>\r\n"
    "<refundPrintQueryUrl></refundPrintQueryUrl>\r\n"
    "<orderPrintQueryUrl></orderPrintQueryUrl>\r\n"
    "<todayTotalUrl></todayTotalUrl>\r\n"
    "<syyUpdPwdUrl></syyUpdPwdUrl>\r\n"
    "</RequestUrl>\r\n"
    "<InterfacePara>\r\n"
    "<MchName></MchName>\r\n"
    "<MchID></MchID>\r\n"
    "<AppID></AppID>\r\n"
    "<Key></Key>\r\n"
    "<StoreName></StoreName>\r\n"
    "<StoreAppID></StoreAppID>\r\n"
    "</InterfacePara>\r\n"
    "</xml>\r\n";

std::string ParameterFileName() {
    return AppPath + "Parameter/Parameter.dat";
}

std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        throw Exception("Cannot open file \"" + fileName + "\"");
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        throw Exception("Cannot read file \"" + fileName + "\"");
    }
    return bytes.str();
}

struct XmlBufferFree {
    void operator()(xmlChar* bytes) const { xmlFree(bytes); }
};

// The first element child of parent named exactly name; null when there is none.
xmlNode* FindChild(xmlNode* parent, const char* name) {
    for (xmlNode* node = parent ? parent->children : nullptr; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && ElementName(node) == name) {
            return node;
        }
    }
    return nullptr;
}

// XML has no way to hold the control characters other than tab, line feed and carriage return,
// not even as a character reference. A value holding one is stored as the hexadecimal digits of
// its bytes, and its element says so with this attribute.
const xmlChar* const kFormAttribute = reinterpret_cast<const xmlChar*>("form");
const char* const kHexForm = "hex";

bool XmlCanHold(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
    });
}

bool IsHexForm(xmlNode* leaf) {
    std::unique_ptr<xmlChar, XmlBufferFree> form(xmlGetNoNsProp(leaf, kFormAttribute));
    return form && reinterpret_cast<const char*>(form.get()) == std::string_view(kHexForm);
}

std::string FromHexForm(const std::string& hex, const char* name) {
    bool digits = std::all_of(hex.begin(), hex.end(),
                              [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!digits || hex.size() % 2 != 0) {
        throw Exception(std::string("Parameter ") + name + " is not hexadecimal");
    }
    std::string bytes;
    HexToStr(hex, bytes);
    return bytes;
}

// A missing element reads as an empty text.
std::string LeafText(xmlNode* parent, const char* name) {
    xmlNode* leaf = FindChild(parent, name);
    if (!leaf) {
        return {};
    }
    std::string text = ElementText(leaf);
    return platform::ThroughGbk(IsHexForm(leaf) ? FromHexForm(text, name) : text);
}

void SetLeafText(xmlNode* parent, const char* name, const std::string& text) {
    xmlNode* leaf = FindChild(parent, name);
    if (!leaf) {
        throw Exception(std::string("Parameter template lacks ") + name);
    }
    std::string content = text;
    if (!XmlCanHold(text)) {
        StrToHex(text, content);
        xmlSetProp(leaf, kFormAttribute, reinterpret_cast<const xmlChar*>(kHexForm));
    }
    // Added as a text node, so the writer escapes it; nothing in it is read as markup.
    xmlNodeAddContentLen(leaf, reinterpret_cast<const xmlChar*>(content.data()),
                         static_cast<int>(content.size()));
}

std::string Serialise(xmlDoc* doc) {
    xmlChar* raw = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &raw, &size, "UTF-8", 1);
    std::unique_ptr<xmlChar, XmlBufferFree> bytes(raw);
    if (!bytes || size < 0) {
        throw Exception("Parameter document could not be written");
    }
    return std::string(reinterpret_cast<const char*>(bytes.get()), static_cast<size_t>(size));
}

void ReadParameters() {
    TMemoryStream enciphered(ReadWholeFile(ParameterFileName()));
    TMemoryStream plain;
    AESDecryptStream(enciphered, kStoredAESKey, &plain, kKeyType);
    // Blanks are kept: a store name may be blanks alone.
    XmlDocument doc = ParseXml(plain.Bytes(), XmlBlanks::kKept);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root) {
        throw Exception("XML document has no root element");
    }
    if (ElementName(root) != "xml") {
        throw Exception("Parameter document has the root " + ElementName(root) + ", not xml");
    }

    // Each path is stored as it is read: after a failure the ones read before it stay.
    xmlNode* urls = FindChild(root, "RequestUrl");
    for (const auto& [name, field] : kUrlFields) {
        RequestUrls.*field = LeafText(urls, name);
    }

    xmlNode* merchant = FindChild(root, "InterfacePara");
    TInterfacePRM read;
    for (const MerchantField& f : kMerchantFields) {
        read.*f.field = LeafText(merchant, f.name);
    }
    for (const MerchantField& f : kMerchantFields) {
        if (f.enciphered) {
            AESDecryptString(read.*f.field, kStoredAESKey, kKeyType, read.*f.field);
        }
    }
    InterfacePRM = std::move(read);
}

void WriteParameters() {
    XmlDocument doc = ParseXml(kTemplate);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    xmlNode* urls = FindChild(root, "RequestUrl");
    for (const auto& [name, field] : kUrlFields) {
        SetLeafText(urls, name, RequestUrls.*field);
    }
    xmlNode* merchant = FindChild(root, "InterfacePara");
    for (const MerchantField& f : kMerchantFields) {
        std::string text = InterfacePRM.*f.field;
        if (f.enciphered) {
            AESEncryptString(text, kStoredAESKey, kKeyType, text);
        }
        SetLeafText(merchant, f.name, text);
    }

    TMemoryStream plain(Serialise(doc.get()));
    TMemoryStream enciphered;
    AESEncryptStream(plain, kStoredAESKey, &enciphered, kKeyType);
    // The file holds the only copy of the merchant parameters: it is written beside the old
    // one and renamed over it, so a crash or a full disk never leaves it cut short.
    if (!platform::ReplaceFileContents(ParameterFileName(), enciphered.Bytes())) {
        throw Exception("Cannot create file \"" + ParameterFileName() + "\"");
    }
}

}  // namespace

void LoadParameterFile() {
    try {
        ReadParameters();
    } catch (const std::exception& e) {
        InterfacePRM = TInterfacePRM{};
        WriteLog(e.what());
    }
}

void WriteParameterFile() {
    WriteParameters();
}

void SaveParameterFile() {
    try {
        WriteParameters();
    } catch (const std::exception& e) {
        WriteLog(e.what());
    }
}
