// The small XML reader for the opt-out server's replies: CP949 bytes in, a tree of elements out.
// Lenient by design: no validation, no namespaces, no writer; the first error met is recorded.
// Depends on the standard library only, so the fuzz harness and the benchmark can build it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct XmlElement;

struct XmlAttribute {
    std::string name;
    std::string value;
    XmlElement* parent = nullptr;
};

struct XmlEntity {
    char character;
    std::string reference; // the whole reference, "&amp;"; its length is reference.size()
};

struct XmlEntityTable {
    std::vector<XmlEntity> entries; // tried in this order
};

// The five predefined references; numeric character references are not recognised.
const XmlEntityTable& DefaultXmlEntityTable();

struct XmlParseOptions {
    bool trimValues = false;
    bool decodeEntities = true;
    const XmlEntityTable* entities = &DefaultXmlEntityTable();
    char escape = '\\';      // makes the next character literal; 0 = none
    bool forceParse = false; // skip a mismatched end tag instead of failing
    // The first error wins: later errors, in this or a later parse, leave these as they are.
    bool errorOccurred = false;
    std::optional<size_t> errorPosition; // offset into the parsed text
    int32_t errorCode = 0;
    std::string errorText;
};

enum XmlErrorCode : int32_t {
    kXmlErrorUnclosedEmptyElement = 1, // "/" in a start tag without ">"
    kXmlErrorUnterminatedEndTag = 2,
    kXmlErrorMismatchedEndTag = 3,
    kXmlErrorBadAttribute = 4,
    kXmlErrorTooDeep = 5, // more nested elements than kXmlMaxDepth
};

// A reply nested deeper than this is hostile or broken; refusing it keeps the stack bounded.
inline constexpr int kXmlMaxDepth = 64;

// The one instance every caller of the module passes. Its error fields are never reset.
XmlParseOptions& DefaultXmlParseOptions();

struct XmlTextOptions {
    bool encodeEntities = true;
    const XmlEntityTable* entities = &DefaultXmlEntityTable();
};

const XmlTextOptions& DefaultXmlTextOptions();

enum XmlNodeType : int32_t {
    kXmlNodeElement = 0,
    kXmlNodeComment = 2,
    kXmlNodeCData = 3,
};

class XmlNodePool;

struct XmlElement {
    XmlElement();
    ~XmlElement();
    // Children and attributes point back at their owner, so a node stays where it was made.
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    std::string name;  // tag name, "#COMMENT" or "#CDATA"
    std::string value; // own text, or the raw content of a comment or CDATA section
    XmlElement* parent = nullptr;
    // Document order. The nodes belong to the tree: they live until the node that was parsed into
    // is parsed again or destroyed, which destroys the whole subtree at once. The lists of the
    // nodes a parse creates take their storage from that parse's pool too.
    std::pmr::vector<XmlElement*> children;
    std::vector<XmlAttribute> attributes; // document order
    int32_t type = kXmlNodeElement;

private:
    friend std::optional<size_t> ParseElement(XmlElement&, std::string_view, XmlParseOptions&);
    friend class XmlNodePool;
    explicit XmlElement(std::pmr::memory_resource* storage);
    // Storage of every node a parse into this node created: one block per many nodes instead of
    // an allocation each, which is most of the cost of a large reply.
    std::unique_ptr<XmlNodePool> m_pool;
};

// Parses the first element of text into node (which is emptied first). Returns the offset just
// after the element, or nullopt on failure; whatever was built before a failure stays in the tree.
// Processing instructions, comments and CDATA sections before that element are passed over; an
// unterminated one ends the parse. Inside elements they are kept as "#COMMENT"/"#CDATA" children.
std::optional<size_t> ParseElement(XmlElement& node, std::string_view text,
                                   XmlParseOptions& options = DefaultXmlParseOptions());

// Direct children only; names compare byte for byte.
XmlElement* FindChild(XmlElement& node, std::string_view name);
const XmlElement* FindChild(const XmlElement& node, std::string_view name);
std::vector<XmlElement*> FindChildren(XmlElement& node, std::string_view name);
std::vector<const XmlElement*> FindChildren(const XmlElement& node, std::string_view name);

// The children's texts in order, then the node's own value (entity-encoded when options say so).
std::string InnerText(const XmlElement& node, const XmlTextOptions& options = DefaultXmlTextOptions());

std::string DecodeEntities(const XmlEntityTable& table, std::string_view text);
std::string EncodeEntities(const XmlEntityTable& table, std::string_view text);
