// Entity references both ways, and the text of a tree.
#include "center/xmlelement.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Copies text to out with every table character replaced by its reference; runs without one
// are copied whole.
void AppendEncoded(const XmlEntityTable& table, std::string_view text, std::string& out) {
    uint64_t mask[4] = {};
    for (const XmlEntity& e : table.entries) {
        const auto c = static_cast<unsigned char>(e.character);
        mask[c >> 6] |= uint64_t{1} << (c & 63);
    }
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!(mask[c >> 6] & (uint64_t{1} << (c & 63))))
            continue;
        for (const XmlEntity& e : table.entries) {
            if (e.character == text[i]) {
                out.append(text.data() + run, i - run);
                out += e.reference;
                run = i + 1;
                break;
            }
        }
    }
    out.append(text.data() + run, text.size() - run);
}

void AppendInnerText(const XmlElement& node, const XmlTextOptions& options, std::string& out) {
    if (node.type == kXmlNodeComment)
        return;
    if (node.type == kXmlNodeCData) {
        out += node.value;
        return;
    }
    for (const auto& child : node.children)
        AppendInnerText(*child, DefaultXmlTextOptions(), out);
    if (options.encodeEntities && options.entities)
        AppendEncoded(*options.entities, node.value, out);
    else
        out += node.value;
}

} // namespace

const XmlEntityTable& DefaultXmlEntityTable() {
    static const XmlEntityTable table{{
        {'&', "&amp;"},
        {'"', "&quot;"},
        {'\'', "&apos;"},
        {'<', "&lt;"},
        {'>', "&gt;"},
    }};
    return table;
}

const XmlTextOptions& DefaultXmlTextOptions() {
    static const XmlTextOptions options;
    return options;
}

std::string InnerText(const XmlElement& node, const XmlTextOptions& options) {
    std::string out;
    if (node.type == kXmlNodeElement && node.children.empty() && node.value.empty())
        return out;
    AppendInnerText(node, options, out);
    return out;
}

std::string DecodeEntities(const XmlEntityTable& table, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const XmlEntity* hit = nullptr;
        for (const XmlEntity& e : table.entries) {
            // substr is clamped to the text, so a reference cut off by the end never matches.
            if (!e.reference.empty() && text.substr(i, e.reference.size()) == e.reference) {
                hit = &e;
                break;
            }
        }
        if (hit) {
            out += hit->character;
            i += hit->reference.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string EncodeEntities(const XmlEntityTable& table, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEncoded(table, text, out);
    return out;
}
