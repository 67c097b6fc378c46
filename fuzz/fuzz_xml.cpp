// Replies from the opt-out server are outside our control: any bytes must parse without a fault,
// and the tree that comes out must hang together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "center/xmlelement.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void Walk(const XmlElement& node, int depth) {
    // Comments and CDATA may sit one level below the deepest element.
    Check(depth <= kXmlMaxDepth + 1);
    (void)InnerText(node);
    (void)InnerText(node, XmlTextOptions{false, &DefaultXmlEntityTable()});
    for (const XmlAttribute& attr : node.attributes)
        Check(attr.parent == &node);
    for (const auto& child : node.children) {
        Check(child->parent == &node);
        const XmlElement* first = FindChild(node, child->name);
        Check(first != nullptr && first->name == child->name);
        Check(!FindChildren(node, child->name).empty());
        Walk(*child, depth + 1);
    }
}

void ParseWith(std::string_view text, XmlParseOptions& options) {
    XmlElement root;
    const std::optional<size_t> end = ParseElement(root, text, options);
    Check(!end || *end <= text.size());
    Check(!options.errorPosition || *options.errorPosition <= text.size());
    Walk(root, 1);
    const XmlEntityTable& table = DefaultXmlEntityTable();
    Check(DecodeEntities(table, EncodeEntities(table, root.value)) == root.value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes are used in place, so reading one past the end is caught.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    XmlParseOptions asTheModuleParses;
    ParseWith(text, asTheModuleParses);
    XmlParseOptions everyOtherWay;
    everyOtherWay.trimValues = true;
    everyOtherWay.decodeEntities = false;
    everyOtherWay.forceParse = true;
    everyOtherWay.escape = 0;
    ParseWith(text, everyOtherWay);
    return 0;
}
