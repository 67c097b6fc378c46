// The node: its storage, and the look-ups of its children.
#include "center/xmlelement.h"

#include <string_view>
#include <vector>

#include "center/xmlnodepool.h"

namespace {

template <typename Node> Node* FindChildIn(Node& node, std::string_view name) {
    for (const auto& child : node.children) {
        if (child->name == name)
            return child;
    }
    return nullptr;
}

template <typename Node> std::vector<Node*> FindChildrenIn(Node& node, std::string_view name) {
    std::vector<Node*> found;
    for (const auto& child : node.children) {
        if (child->name == name)
            found.push_back(child);
    }
    return found;
}

} // namespace

XmlElement::XmlElement() = default;
XmlElement::XmlElement(std::pmr::memory_resource* storage) : children(storage) {}
XmlElement::~XmlElement() = default;

XmlElement* FindChild(XmlElement& node, std::string_view name) {
    return FindChildIn(node, name);
}

const XmlElement* FindChild(const XmlElement& node, std::string_view name) {
    return FindChildIn(node, name);
}

std::vector<XmlElement*> FindChildren(XmlElement& node, std::string_view name) {
    return FindChildrenIn(node, name);
}

std::vector<const XmlElement*> FindChildren(const XmlElement& node, std::string_view name) {
    return FindChildrenIn(node, name);
}
