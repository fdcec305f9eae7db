#include "QzXml.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstdint>

#include "QzErrors.h"

namespace {

struct ParserContextFree {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};

std::string LastError(xmlParserCtxt* ctxt) {
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    std::string message =
        error && error->message ? error->message : "XML document is not well-formed";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

// libxml2 prints some encoding errors through its generic handler even with XML_PARSE_NOERROR;
// the message that matters reaches the caller through the raised error instead.
void Quiet(void*, const char*, ...) {}

}  // namespace

XmlDocument ParseXml(std::string_view bytes, XmlBlanks blanks) {
    xmlSetGenericErrorFunc(nullptr, Quiet);
    std::unique_ptr<xmlParserCtxt, ParserContextFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) {
        throw Exception("XML parser could not be created");
    }
    // No entity substitution, no DTD, no network; XML_PARSE_HUGE stays off so the parser's
    // own depth and size limits hold.
    const int options = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR |
                        (blanks == XmlBlanks::kDropped ? XML_PARSE_NOBLANKS : 0);
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        throw Exception("XML document is too large");
    }
    XmlDocument doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, nullptr, options));
    if (!doc) {
        throw Exception(LastError(ctxt.get()));
    }
    if (doc->intSubset || doc->extSubset) {
        throw Exception("XML document with a DOCTYPE refused");
    }
    return doc;
}

std::vector<xmlNode*> RootChildren(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    if (!root) {
        throw Exception("XML document has no root element");
    }
    std::vector<xmlNode*> children;
    for (xmlNode* node = root->children; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            children.push_back(node);
        }
    }
    return children;
}

std::string ElementName(const xmlNode* element) {
    return reinterpret_cast<const char*>(element->name);
}

std::string ElementText(const xmlNode* element) {
    const xmlNode* only = element->children;
    if (!only) {
        return {};
    }
    if (only->next || (only->type != XML_TEXT_NODE && only->type != XML_CDATA_SECTION_NODE)) {
        throw Exception("Element " + ElementName(element) + " holds more than a text");
    }
    return only->content ? reinterpret_cast<const char*>(only->content) : "";
}

std::string ChildText(xmlDoc* doc, std::string_view name) {
    for (xmlNode* child : RootChildren(doc)) {
        if (ElementName(child) == name) {
            return ElementText(child);
        }
    }
    return {};
}
