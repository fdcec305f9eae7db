#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The one way the program reads XML from outside (gateway replies, the parameter file): no DTD
// is loaded, no entity expanded, nothing fetched from the network, and a document that carries a
// DOCTYPE is refused, so a reply cannot make the till read files or swell in memory.
struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlDocFree>;

// Whitespace-only text: dropped (the gateway's replies), or kept as the text of its element
// (documents of our own whose values may be blanks alone).
enum class XmlBlanks { kDropped, kKept };

// Parses bytes as an XML document; the document's own declaration or byte-order mark names its
// encoding, UTF-8 when none. Raises Exception with the parser's message when the bytes are not a
// well-formed document, or carry a DOCTYPE.
XmlDocument ParseXml(std::string_view bytes, XmlBlanks blanks = XmlBlanks::kDropped);

// The element children of the root, in document order. Raises Exception when there is no root.
std::vector<xmlNode*> RootChildren(xmlDoc* doc);

// The name of an element as written (UTF-8).
std::string ElementName(const xmlNode* element);

// The text of an element that holds nothing, one text node or one CDATA section (UTF-8).
// Raises Exception for any other content: a child element, a comment, text mixed with CDATA.
std::string ElementText(const xmlNode* element);

// The text of the first child of the root named exactly name; "" when there is none.
std::string ChildText(xmlDoc* doc, std::string_view name);
