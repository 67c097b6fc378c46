#include "center/xmlelement.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ASCII white space only: bytes above 0x7F belong to Korean characters and are never blank.
constexpr auto kSpaces = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
        table[c] = true;
    return table;
}();

constexpr bool IsSpace(unsigned char c) {
    return kSpaces[c];
}

constexpr bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
constexpr bool IsTrail(unsigned char c) {
    return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || (c >= 0x81 && c <= 0xFE);
}

// Bytes of the CP949 character at i. A lead byte without a valid trail byte counts alone, so a
// stray byte can never hide the delimiter that follows it.
inline size_t CharLen(std::string_view t, size_t i) {
    return (IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() &&
            IsTrail(static_cast<unsigned char>(t[i + 1])))
               ? 2
               : 1;
}

constexpr unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool StartsWithNoCase(std::string_view t, size_t i, std::string_view prefix) {
    if (t.size() - i < prefix.size())
        return false;
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (Lower(static_cast<unsigned char>(t[i + k])) != Lower(static_cast<unsigned char>(prefix[k])))
            return false;
    }
    return true;
}

// Names and blank runs are a few bytes: a plain loop beats a call to memcmp.
bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool IsBlank(std::string_view s) {
    for (const char c : s) {
        if (!IsSpace(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// First character at or after i for which isStop holds, stepping over whole CP949 characters and
// over the character after the escape byte (0: none). text.size() when the text ends first; an
// escape byte in the last position ends the search there instead of stepping past the end.
template <typename IsStop> size_t Scan(std::string_view t, size_t i, char escape, IsStop isStop) {
    const size_t n = t.size();
    while (i < n) {
        const char c = t[i];
        if (isStop(c))
            return i;
        if (escape != 0 && c == escape) {
            ++i;
            if (i < n)
                i += CharLen(t, i);
            continue;
        }
        i += CharLen(t, i);
    }
    return n;
}

inline size_t FindChar(std::string_view t, size_t i, char stop, char escape) {
    if (escape == 0 || escape == stop) {
        // The delimiters searched for are ASCII bytes that are never CP949 trail bytes, so a
        // byte search finds the same position as a character walk, only faster.
        if (!IsTrail(static_cast<unsigned char>(stop))) {
            // The next delimiter is usually a few bytes away: look there before calling out.
            for (const size_t near = std::min(t.size(), i + 16); i < near; ++i) {
                if (t[i] == stop)
                    return i;
            }
            const void* hit = i < t.size() ? std::memchr(t.data() + i, stop, t.size() - i) : nullptr;
            return hit ? static_cast<size_t>(static_cast<const char*>(hit) - t.data()) : t.size();
        }
    }
    return Scan(t, i, escape, [stop](char c) { return c == stop; });
}

// Start of marker (compared without case) at or after i, or npos.
size_t FindMarker(std::string_view t, size_t i, std::string_view marker, char escape) {
    const auto first = static_cast<unsigned char>(marker.front());
    while (i < t.size()) {
        i = Scan(t, i, escape,
                 [first](char c) { return Lower(static_cast<unsigned char>(c)) == Lower(first); });
        if (i >= t.size())
            break;
        if (StartsWithNoCase(t, i, marker))
            return i;
        i += CharLen(t, i);
    }
    return std::string_view::npos;
}

// First of the bytes a, b, c at or after i, or n. Sixteen bytes a step where the CPU allows: element
// texts are short, and a byte loop mispredicts its exit once per text.
inline size_t FindAny3(const char* d, size_t i, size_t n, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i) {
        if (d[i] == a || d[i] == b || d[i] == c)
            return i;
    }
    return n;
}

size_t SkipSpace(std::string_view t, size_t i) {
    while (i < t.size() && IsSpace(static_cast<unsigned char>(t[i])))
        ++i;
    return i;
}

} // namespace

class XmlNodePool {
public:
    // textSize sizes the first blocks: a reply holds about one element per 20 to 30 bytes, so a
    // small one fits in a single block and a large one starts with its largest.
    explicit XmlNodePool(size_t textSize)
        : m_lists(std::clamp<size_t>(textSize / 8, 256, 64 << 10)),
          m_firstCapacity(std::clamp<size_t>(textSize / 24, 16, kMaxCapacity)) {}
    XmlNodePool(const XmlNodePool&) = delete;
    XmlNodePool& operator=(const XmlNodePool&) = delete;
    ~XmlNodePool() {
        for (Block& b : m_blocks) {
            for (size_t i = 0; i < b.used; ++i)
                b.nodes[i].~XmlElement();
            ::operator delete(b.nodes);
        }
    }

    XmlElement* New() {
        if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity) {
            const size_t capacity =
                m_blocks.empty() ? m_firstCapacity : std::min(m_blocks.back().capacity * 2, kMaxCapacity);
            m_blocks.push_back(
                {static_cast<XmlElement*>(::operator new(capacity * sizeof(XmlElement))), 0, capacity});
        }
        Block& b = m_blocks.back();
        XmlElement* node = new (b.nodes + b.used) XmlElement(&m_lists);
        ++b.used;
        return node;
    }

private:
    struct Block {
        XmlElement* nodes;
        size_t used;
        size_t capacity;
    };
    // Child lists are only ever dropped with the whole tree: nothing to give back one by one.
    static constexpr size_t kMaxCapacity = 4096;
    std::pmr::monotonic_buffer_resource m_lists;
    size_t m_firstCapacity;
    std::vector<Block> m_blocks;
};

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

XmlParseOptions& DefaultXmlParseOptions() {
    static XmlParseOptions options;
    return options;
}

const XmlTextOptions& DefaultXmlTextOptions() {
    static const XmlTextOptions options;
    return options;
}

XmlElement::XmlElement() = default;
XmlElement::XmlElement(std::pmr::memory_resource* storage) : children(storage) {}
XmlElement::~XmlElement() = default;

std::optional<size_t> ParseElement(XmlElement& node, std::string_view text, XmlParseOptions& options) {
    // The previous tree goes first; its nodes all live in the pool.
    node.children.clear();
    node.m_pool = std::make_unique<XmlNodePool>(text.size());
    const size_t end = Parser(text, options, *node.m_pool, &node).Parse(node, 0, 1, nullptr);
    return end == kFailed ? std::nullopt : std::optional<size_t>(end);
}

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
