// The reader: CP949 text into a tree of elements, lenient, the first error recorded.
#include "center/xmlelement.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "center/xmlnodepool.h"
#include "center/xmlscan.h"

using namespace xmlscan;

namespace {

// Internal result of a step that failed (the text never gets this long).
constexpr size_t kFailed = static_cast<size_t>(-1);

class Parser {
public:
    Parser(std::string_view text, XmlParseOptions& options, XmlNodePool& pool, const XmlElement* root)
        : m_text(text), m_opt(options), m_pool(pool), m_root(root) {
        // The fixed classes come ready-made: a small reply costs about as much as building them.
        // The base tables hold no escape or entity marks: only those bytes are set in both.
        std::memcpy(m_class, kBaseClass.data(), sizeof m_class);
        std::memcpy(m_textClass, kBaseTextClass.data(), sizeof m_textClass);
        auto mark = [this](char c, uint8_t bit) {
            m_class[static_cast<unsigned char>(c)] |= bit;
            m_textClass[static_cast<unsigned char>(c)] |= bit;
        };
        if (m_opt.escape != 0)
            mark(m_opt.escape, kEscape);
        if (m_opt.decodeEntities && m_opt.entities) {
            for (const XmlEntity& e : m_opt.entities->entries) {
                if (!e.reference.empty())
                    mark(e.reference.front(), kEntity);
            }
        }

        // Element text can be searched byte by byte for '<', the escape byte and the first byte
        // of a reference when the escape byte can never be a CP949 trail byte: a two-byte
        // character then never hides a delimiter, nor is mistaken for one (a reference byte only
        // marks the run for decoding, which looks again). An escape byte that can trail, a
        // custom table with several first bytes, or either one being white space (blank runs
        // are taken without a search) takes the character walk instead.
        const char esc = m_opt.escape;
        m_fastText = esc == 0 || (!IsTrail(static_cast<unsigned char>(esc)) && esc != '<' &&
                                  !IsSpace(static_cast<unsigned char>(esc)));
        m_textEscape = esc != 0 ? esc : '<';
        m_textEntity = '<';
        if (m_opt.decodeEntities && m_opt.entities) {
            for (const XmlEntity& e : m_opt.entities->entries) {
                if (e.reference.empty())
                    continue;
                if (m_textEntity == '<')
                    m_textEntity = e.reference.front();
                else if (m_textEntity != e.reference.front())
                    m_fastText = false;
                if (IsSpace(static_cast<unsigned char>(e.reference.front())))
                    m_fastText = false;
            }
        }
    }

    // depth counts the elements from the caller's node (1) downwards. textEnded, when given, is
    // set when no further tag was found: the enclosing element then simply ends with the text.
    size_t Parse(XmlElement& node, size_t pos, int depth, bool* textEnded) {
        node.children.clear();
        node.attributes.clear();
        node.name.clear();
        node.value.clear();

        const std::string_view t = m_text;
        const size_t n = t.size();

        // Processing instructions, comments and CDATA sections before the element.
        for (;;) {
            pos = FindChar(t, pos, '<', 0);
            if (pos == n) {
                if (textEnded)
                    *textEnded = true;
                return kFailed;
            }
            if (pos + 1 < n && t[pos + 1] == '/')
                return pos; // an end tag belongs to the caller
            if (pos + 1 < n && (t[pos + 1] == '?' || t[pos + 1] == '!')) {
                bool done = false;
                const size_t next = SkipSpecial(node, pos, done);
                if (next == kFailed || done)
                    return next;
                if (next != pos) {
                    pos = next;
                    continue;
                }
            }
            break;
        }

        if (depth > kXmlMaxDepth) {
            Fail(kXmlErrorTooDeep, pos, "Element nesting is too deep.");
            return kFailed;
        }

        // Tag name.
        size_t nameEnd = pos + 1;
        // The delimiters are never CP949 trail bytes: stepping bytewise finds the same end.
        while (nameEnd < n && !(m_class[static_cast<unsigned char>(t[nameEnd])] & kNameEnd))
            ++nameEnd;
        if (nameEnd >= n)
            return kFailed;
        node.name.append(t.data() + pos + 1, nameEnd - pos - 1); // cleared above
        pos = nameEnd;

        if (t[pos] != '>') {
            const size_t next = ParseAttributes(node, pos);
            if (next == kFailed)
                return kFailed;
            pos = next;
            if (t[pos] == '/') {
                if (pos + 1 < n && t[pos + 1] == '>')
                    return pos + 2;
                Fail(kXmlErrorUnclosedEmptyElement, pos, "Element must be closed.");
                return kFailed;
            }
        }

        // '>': the text up to the first child is the element's value.
        ++pos;
        // The value is still empty here; blank then says whether a later run may replace it.
        bool blank = true;
        pos = TakeText(node.value, pos, blank);

        // Children until the matching end tag. One spare node serves every attempt that turns out
        // to be a comment or a CDATA section, instead of a new node for each.
        XmlElement* child = nullptr;
        while (pos < n) {
            // An end tag is seen here directly rather than by a child that would find only that.
            const size_t lt = FindChar(t, pos, '<', 0);
            if (lt == n)
                return n;
            if (lt + 1 < n && t[lt + 1] == '/') {
                pos = lt;
            } else {
                if (!child)
                    child = m_pool.New();
                child->parent = &node;
                child->type = node.type;
                bool childTextEnded = false;
                const size_t next = Parse(*child, lt, depth + 1, &childTextEnded);
                if (!child->name.empty()) {
                    if (node.children.empty())
                        node.children.reserve(4);
                    node.children.push_back(child);
                    child = nullptr;
                }
                if (next == kFailed)
                    return childTextEnded ? n : kFailed;
                pos = next;
            }

            if (pos + 1 < n && t[pos] == '<' && t[pos + 1] == '/') {
                // The usual case, "</name>" right here: the name holds neither ' ' nor '>', so
                // this is exactly what the general search in EndTag would find.
                const size_t own = node.name.size();
                if (pos + 2 + own < n && t[pos + 2 + own] == '>' &&
                    SameBytes(t.substr(pos + 2, own), node.name))
                    return pos + 3 + own;
                bool closed = false;
                const size_t next = EndTag(node, pos, closed);
                if (next == kFailed || closed)
                    return next;
                pos = next;
            } else if (pos < n && t[pos] != '<' && blank) {
                pos = TakeText(node.value, pos, blank);
            }
        }
        return n; // the text ended before the end tag: accepted
    }

private:
    enum : uint8_t {
        kLead = 1,
        kNameEnd = 2,
        kEscape = 4,
        kEntity = 8,
        kSpecial = kEscape | kEntity,
        kEndNameEnd = 16,
        kTextEnd = 32
    };

    static constexpr std::array<uint8_t, 256> kBaseClass = [] {
        std::array<uint8_t, 256> table{};
        for (int c = 0x81; c <= 0xFE; ++c)
            table[c] |= kLead;
        for (const unsigned char c : {' ', '/', '>', '\t', '\r', '\n'})
            table[c] |= kNameEnd;
        table[static_cast<unsigned char>(' ')] |= kEndNameEnd;
        table[static_cast<unsigned char>('>')] |= kEndNameEnd;
        return table;
    }();
    static constexpr std::array<uint8_t, 256> kBaseTextClass = [] {
        std::array<uint8_t, 256> table{};
        for (int c = 0x81; c <= 0xFE; ++c)
            table[c] |= kLead;
        table[static_cast<unsigned char>('<')] |= kTextEnd;
        return table;
    }();

    // At "<?" or "<!": skips a processing instruction, or takes a comment or CDATA section.
    // Returns pos unchanged when it is neither; done says the node's parse ends here.
    size_t SkipSpecial(XmlElement& node, size_t pos, bool& done) {
        const std::string_view t = m_text;
        const char esc = m_opt.escape;
        if (StartsWithNoCase(t, pos, "<?")) {
            const size_t end = FindMarker(t, pos + 2, "?>", esc);
            if (end == std::string_view::npos)
                return kFailed; // unterminated: nothing sound follows
            return end + 2;
        }
        const bool comment = StartsWithNoCase(t, pos, "<!--");
        const bool cdata = !comment && StartsWithNoCase(t, pos, "<![CDATA[");
        if (!comment && !cdata)
            return pos;
        const std::string_view open = comment ? "<!--" : "<![CDATA[";
        const std::string_view close = comment ? "-->" : "]]>";
        const size_t end = FindMarker(t, pos + open.size(), close, esc);
        if (end == std::string_view::npos)
            return kFailed;
        // The node parsed into is the root of this parse even when it has a parent: what sits
        // before its element is dropped rather than handed to a tree this parse does not own.
        if (node.parent && &node != m_root) {
            XmlElement* special = m_pool.New();
            special->name = comment ? "#COMMENT" : "#CDATA";
            special->type = comment ? kXmlNodeComment : kXmlNodeCData;
            special->value.assign(t.substr(pos + open.size(), end - pos - open.size()));
            special->parent = node.parent;
            node.parent->children.push_back(special);
            done = true;
        }
        return end + close.size();
    }

    // From after the tag name to the '>' or '/' that ends the start tag.
    size_t ParseAttributes(XmlElement& node, size_t pos) {
        const std::string_view t = m_text;
        const size_t n = t.size();
        const char esc = m_opt.escape;
        for (;;) {
            pos = SkipSpace(t, pos);
            if (pos == n)
                return kFailed;
            if (t[pos] == '>' || t[pos] == '/')
                return pos;
            const size_t attrNameEnd = Scan(t, pos, 0, [](char c) { return c == ' ' || c == '='; });
            if (attrNameEnd == n) {
                Fail(kXmlErrorBadAttribute, pos, "<" + node.name + "> attribute has error ");
                return kFailed;
            }
            XmlAttribute& attr = node.attributes.emplace_back();
            attr.name.assign(t.substr(pos, attrNameEnd - pos));
            attr.parent = &node;
            pos = SkipSpace(t, attrNameEnd);
            if (pos == n)
                return kFailed;
            if (t[pos] != '=')
                continue; // a bare name: empty value
            pos = SkipSpace(t, pos + 1);
            if (pos == n)
                return kFailed;
            if (t[pos] == '"' || t[pos] == '\'') {
                const size_t valueEnd = FindChar(t, pos + 1, t[pos], esc);
                TakeValue(attr.value, pos + 1, valueEnd, true);
                if (valueEnd == n)
                    return kFailed;
                pos = valueEnd + 1;
            } else {
                const size_t valueEnd = Scan(t, pos, esc, [](char c) { return c == ' ' || c == '>'; });
                TakeValue(attr.value, pos, valueEnd, true);
                pos = valueEnd;
            }
        }
    }

    // At "</". closed says it was this node's own end tag; otherwise (forced past a stranger's)
    // the position after it.
    size_t EndTag(const XmlElement& node, size_t pos, bool& closed) {
        const std::string_view t = m_text;
        const size_t n = t.size();
        const size_t endName = SkipSpace(t, pos + 2);
        size_t endNameEnd = endName;
        // ' ' and '>' are never CP949 trail bytes: stepping bytewise finds the same end.
        while (endNameEnd < n && !(m_class[static_cast<unsigned char>(t[endNameEnd])] & kEndNameEnd))
            ++endNameEnd;
        if (endNameEnd == n) {
            Fail(kXmlErrorUnterminatedEndTag, endName, "it must be closed with </" + node.name + ">");
            return kFailed;
        }
        const std::string_view closing = t.substr(endName, endNameEnd - endName);
        if (SameBytes(closing, node.name)) {
            closed = true;
            // "</b >" is well-formed: its '>' must not become the parent's text.
            const size_t close = SkipSpace(t, endNameEnd);
            return (close < n && t[close] == '>') ? close + 1 : endNameEnd + 1;
        }
        if (!m_opt.forceParse) {
            Fail(kXmlErrorMismatchedEndTag, endName,
                 "'<" + node.name + "> ... </" + std::string(closing) + ">' is not wel-formed.");
            return kFailed;
        }
        return endNameEnd + 1;
    }

    void Fail(int32_t code, size_t pos, std::string text) {
        if (m_opt.errorOccurred)
            return;
        m_opt.errorOccurred = true;
        m_opt.errorCode = code;
        m_opt.errorPosition = pos;
        m_opt.errorText = std::move(text);
    }

    // Element text from pos up to the next '<' that is not escaped, into out. Returns the
    // position of that '<' (or the end). Bytes that need no escape or reference handling, by far
    // the most, are passed over with one table look-up each.
    // blank is set to whether out is blank afterwards.
    size_t TakeText(std::string& out, size_t pos, bool& blank) {
        const std::string_view t = m_text;
        const size_t n = t.size();
        const char esc = m_opt.escape;
        bool special = false;
        const char* const data = t.data();
        size_t i = pos;
        if (m_fastText) {
            // Most runs are the line break between two tags: no escape or reference can be in
            // it, and out stays blank (or keeps its earlier blank run when trimming empties it).
            while (i < n && IsSpace(static_cast<unsigned char>(data[i])))
                ++i;
            if (i < n && data[i] == '<') {
                TakeValue(out, pos, i, false);
                blank = true;
                return i;
            }
            for (;;) {
                i = FindAny3(data, i, n, '<', m_textEscape, m_textEntity);
                if (i >= n || data[i] == '<')
                    break;
                special = true;
                if (esc != 0 && data[i] == esc) {
                    ++i;
                    if (i < n)
                        i += CharLen(t, i);
                } else {
                    ++i;
                }
            }
            TakeValue(out, pos, i, special);
            blank = IsBlank(out);
            return i;
        }
        while (i < n) {
            const char c = data[i];
            const uint8_t k = m_textClass[static_cast<unsigned char>(c)];
            if (k == 0) {
                ++i;
                continue;
            }
            if (c == '<')
                break;
            if (k & kSpecial) {
                special = true;
                if (esc != 0 && c == esc) {
                    ++i;
                    if (i < n)
                        i += CharLen(t, i);
                    continue;
                }
            }
            i += (k & kLead) ? CharLen(t, i) : 1;
        }
        TakeValue(out, pos, i, special);
        blank = IsBlank(out);
        return i;
    }

    // [begin, end) into out: trimmed if asked; an empty range leaves out as it was; escape bytes
    // are dropped (an escaped one is kept); then references are decoded if asked. special false
    // says the range holds neither an escape nor a reference.
    void TakeValue(std::string& out, size_t begin, size_t end, bool special) const {
        // The plain run, almost every one, stays inline; the rest is the general path.
        if (!special && !m_opt.trimValues) {
            if (begin < end)
                TakePlain(out, m_text.substr(begin, end - begin));
            return;
        }
        TakeValueSlow(out, begin, end, special);
    }

    static void TakePlain(std::string& out, std::string_view range) {
        // The same line break between every pair of children replaces itself: skip the copy.
        if (SameBytes(out, range))
            return;
        out.assign(range.data(), range.size());
    }

    __attribute__((noinline)) void TakeValueSlow(std::string& out, size_t begin, size_t end,
                                                 bool special) const {
        const std::string_view t = m_text;
        if (m_opt.trimValues) {
            while (begin < end && IsSpace(static_cast<unsigned char>(t[begin])))
                ++begin;
            while (end > begin && IsSpace(static_cast<unsigned char>(t[end - 1])))
                --end;
        }
        if (begin >= end)
            return;
        const std::string_view range = t.substr(begin, end - begin);
        if (!special) {
            TakePlain(out, range);
            return;
        }
        const char esc = m_opt.escape;
        if (esc == 0 || range.find(esc) == std::string_view::npos) {
            out.assign(range);
        } else {
            out.clear();
            out.reserve(range.size());
            size_t i = 0;
            while (i < range.size()) {
                if (range[i] == esc) {
                    ++i;
                    if (i == range.size())
                        break;
                }
                const size_t len = CharLen(range, i);
                out.append(range.substr(i, len));
                i += len;
            }
        }
        if (m_opt.decodeEntities && m_opt.entities && MayHoldReference(out))
            out = DecodeEntities(*m_opt.entities, out);
    }

    bool MayHoldReference(std::string_view text) const {
        for (const char c : text) {
            if (m_class[static_cast<unsigned char>(c)] & kEntity)
                return true;
        }
        return false;
    }

    std::string_view m_text;
    XmlParseOptions& m_opt;
    XmlNodePool& m_pool;
    const XmlElement* m_root;
    uint8_t m_class[256] = {};
    uint8_t m_textClass[256] = {}; // m_class plus '<', so plain text costs one look-up a byte
    bool m_fastText = false;
    char m_textEscape = '<'; // the escape byte, or '<' when there is none
    char m_textEntity = '<'; // the first byte of every reference, or '<' when none is decoded
};

} // namespace

XmlParseOptions& DefaultXmlParseOptions() {
    static XmlParseOptions options;
    return options;
}

std::optional<size_t> ParseElement(XmlElement& node, std::string_view text, XmlParseOptions& options) {
    // The previous tree goes first; its nodes all live in the pool.
    node.children.clear();
    node.m_pool = std::make_unique<XmlNodePool>(text.size());
    const size_t end = Parser(text, options, *node.m_pool, &node).Parse(node, 0, 1, nullptr);
    return end == kFailed ? std::nullopt : std::optional<size_t>(end);
}
