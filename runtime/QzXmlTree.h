#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

// A reply read the way the list and detail dialogs read it: children looked up by name among
// the direct children of an element, records taken by position whatever their names. A child
// that is missing reads as empty; a position past the last child raises. Parsed by ParseXml, so
// the same refusals hold (no DTD, no entities, no network).

class TXmlElement {
public:
    // A missing element: no children, empty text.
    TXmlElement() = default;

    bool Exists() const { return node_ != nullptr; }
    // The first direct child element named exactly name; a missing element when there is none.
    TXmlElement Child(std::string_view name) const;
    // The text content of the named child ("" when it is missing).
    std::string Value(std::string_view name) const { return Child(name).Text(); }
    // Every text of the element and its descendants, in document order (UTF-8); "" when missing.
    std::string Text() const;
    // The element children, in document order, whatever their names.
    std::vector<TXmlElement> Children() const;

private:
    friend class TXmlTree;
    explicit TXmlElement(_xmlNode* node) : node_(node) {}
    _xmlNode* node_ = nullptr;
};

// The element children of one element, taken by position.
class TXmlRecords {
public:
    TXmlRecords(std::string name, std::vector<TXmlElement> records)
        : name_(std::move(name)), records_(std::move(records)) {}

    size_t Count() const { return records_.size(); }
    // Raises Exception when index is past the last record.
    const TXmlElement& At(long long index) const;

private:
    std::string name_;
    std::vector<TXmlElement> records_;
};

class TXmlTree {
public:
    // Raises Exception when the bytes are not a well-formed document or have no root element.
    explicit TXmlTree(std::string_view bytes);
    ~TXmlTree();
    TXmlTree(TXmlTree&&) noexcept;
    TXmlTree& operator=(TXmlTree&&) noexcept;

    TXmlElement Root() const { return root_; }
    // The text of the root's child named name ("" when missing).
    std::string Value(std::string_view name) const { return root_.Value(name); }
    // The children of the root's child named name, by position (none when it is missing).
    TXmlRecords Records(std::string_view name) const;

private:
    struct DocFree {
        void operator()(_xmlDoc* doc) const;
    };
    std::unique_ptr<_xmlDoc, DocFree> doc_;
    TXmlElement root_;
};
