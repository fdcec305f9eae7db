#include "QzSign.h"

#include <openssl/evp.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "CompareText.h"
#include "MyAES.h"
#include "QzErrors.h"
#include "QzLog.h"
#include "QzXml.h"
#include "TextCodec.h"

namespace {

struct Field {
    std::string name;
    std::string value;
};

bool IsSignName(const std::string& name) {
    if (name.size() != 4) {
        return false;
    }
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    });
    return lower == "sign";
}

// The root's children that take part, in document order: not empty, not a signature. A sign
// element is never read, so whatever it holds does not matter.
std::vector<Field> SignedFields(const std::string& Xml) {
    XmlDocument doc = ParseXml(Xml);
    std::vector<Field> fields;
    for (xmlNode* child : RootChildren(doc.get())) {
        std::string name = ElementName(child);
        if (IsSignName(name)) {
            continue;
        }
        std::string value = ElementText(child);
        if (!value.empty()) {
            fields.push_back({std::move(name), std::move(value)});
        }
    }
    return fields;
}

// name=value pairs sorted by name without regard to case, then the key. A name that stands
// twice gives two pairs, both with the value of its first element.
std::string SignText(const std::vector<Field>& fields, const std::string& Key) {
    std::vector<const std::string*> names;
    names.reserve(fields.size());
    for (const Field& f : fields) {
        names.push_back(&f.name);
    }
    std::stable_sort(names.begin(), names.end(), [](const std::string* a, const std::string* b) {
        return platform::CompareTextIgnoreCase(*a, *b) < 0;
    });
    std::string text;
    for (const std::string* name : names) {
        auto first = std::find_if(fields.begin(), fields.end(),
                                  [&](const Field& f) { return f.name == *name; });
        text += *name;
        text += '=';
        text += first->value;
        text += '&';
    }
    return text + "key=" + Key;
}

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr) != 1) {
        throw Exception("MD5 digest failed");
    }
    std::string hex;
    StrToHex(std::string(reinterpret_cast<const char*>(digest), size), hex);
    return hex;
}

}  // namespace

void MakeSign(const std::string& Xml, const std::string& Key, std::string& Sign) {
    try {
        // The tills hashed code page 936 text turned into UTF-8: a character that code page
        // cannot hold went into the digest as "?", and the gateway expects the same.
        Sign = Md5Hex(platform::ThroughGbk(SignText(SignedFields(Xml), Key)));
    } catch (const std::exception& e) {
        WriteLogOrStderr(e.what());
    }
}
