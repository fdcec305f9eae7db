#include "QzXmlTree.h"

#include <libxml/tree.h>

#include "QzErrors.h"
#include "QzXml.h"

TXmlElement TXmlElement::Child(std::string_view name) const {
    if (!node_) {
        return {};
    }
    for (xmlNode* child = node_->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && ElementName(child) == name) {
            return TXmlElement(child);
        }
    }
    return {};
}

std::string TXmlElement::Text() const {
    if (!node_) {
        return {};
    }
    // Most values are one text or one CDATA node: read it in place rather than through the
    // allocating general case.
    const xmlNode* only = node_->children;
    if (!only) {
        return {};
    }
    if (!only->next && (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE)) {
        return only->content ? reinterpret_cast<const char*>(only->content) : "";
    }
    xmlChar* content = xmlNodeGetContent(node_);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::vector<TXmlElement> TXmlElement::Children() const {
    std::vector<TXmlElement> children;
    if (node_) {
        for (xmlNode* child = node_->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) {
                children.push_back(TXmlElement(child));
            }
        }
    }
    return children;
}

const TXmlElement& TXmlRecords::At(long long index) const {
    if (index < 0 || static_cast<unsigned long long>(index) >= records_.size()) {
        throw Exception("Record " + std::to_string(index) + " of " + name_ +
                        " does not exist: it holds " + std::to_string(records_.size()));
    }
    return records_[static_cast<size_t>(index)];
}

void TXmlTree::DocFree::operator()(_xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

TXmlTree::TXmlTree(std::string_view bytes) : doc_(ParseXml(bytes).release()) {
    xmlNode* root = xmlDocGetRootElement(doc_.get());
    if (!root) {
        throw Exception("XML document has no root element");
    }
    root_ = TXmlElement(root);
}

TXmlTree::~TXmlTree() = default;
TXmlTree::TXmlTree(TXmlTree&&) noexcept = default;
TXmlTree& TXmlTree::operator=(TXmlTree&&) noexcept = default;

TXmlRecords TXmlTree::Records(std::string_view name) const {
    return TXmlRecords(std::string(name), root_.Child(name).Children());
}
