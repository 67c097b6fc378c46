#include "db/dialect.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace zmsg::db {
namespace {

enum class Kind { Space, Comment, Word, Number, String, Quoted, Punct, Open, Close, Raw, Group };

struct Node {
    Kind kind;
    std::string text;
    std::vector<Node> kids; // a Group's contents, without its parentheses
    bool closed = true;     // a Group that had its ')'
    bool textual = false;   // a rewritten call that gives text
};
using Seq = std::vector<Node>;

constexpr const char* kNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// Bytes from 0x80 up belong to words so that UTF-8 and CP949 names stay whole.
bool isWordStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' || u >= 0x80;
}
bool isWordChar(char c) {
    return isWordStart(c) || isDigit(c) || c == '$';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool same(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}
std::string lowered(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), lower);
    return r;
}

// End of a quoted run starting at i (the opening character); a doubled closer stays inside.
size_t scanQuoted(std::string_view s, size_t i, char close) {
    for (size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] != close)
            continue;
        if (j + 1 < s.size() && s[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return s.size();
}

Seq lex(std::string_view s) {
    Seq out;
    size_t i = 0;
    const size_t n = s.size();
    auto push = [&](Kind kind, size_t from, size_t to) {
        out.push_back({kind, std::string(s.substr(from, to - from)), {}, true});
        i = to;
    };
    while (i < n) {
        const char c = s[i];
        const char next = i + 1 < n ? s[i + 1] : '\0';
        if (isSpace(c)) {
            size_t j = i;
            while (j < n && isSpace(s[j]))
                ++j;
            push(Kind::Space, i, j);
        } else if (c == '-' && next == '-') {
            const size_t j = s.find('\n', i);
            push(Kind::Comment, i, j == std::string_view::npos ? n : j);
        } else if (c == '/' && next == '*') {
            const size_t j = s.find("*/", i + 2);
            push(Kind::Comment, i, j == std::string_view::npos ? n : j + 2);
        } else if (c == '\'') {
            push(Kind::String, i, scanQuoted(s, i, '\''));
        } else if ((c == 'N' || c == 'n') && next == '\'') {
            // National literals: SQLite has only the plain form.
            ++i;
            push(Kind::String, i, scanQuoted(s, i, '\''));
        } else if (c == '[') {
            push(Kind::Quoted, i, scanQuoted(s, i, ']'));
        } else if (c == '"' || c == '`') {
            push(Kind::Quoted, i, scanQuoted(s, i, c));
        } else if (isDigit(c) || (c == '.' && isDigit(next))) {
            size_t j = i;
            if (c == '0' && (next == 'x' || next == 'X')) {
                j += 2;
                while (j < n && isWordChar(s[j]))
                    ++j;
            } else {
                while (j < n && (isDigit(s[j]) || s[j] == '.'))
                    ++j;
                if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                    size_t k = j + 1;
                    if (k < n && (s[k] == '+' || s[k] == '-'))
                        ++k;
                    if (k < n && isDigit(s[k])) {
                        j = k;
                        while (j < n && isDigit(s[j]))
                            ++j;
                    }
                }
            }
            push(Kind::Number, i, j);
        } else if (isWordStart(c)) {
            size_t j = i;
            while (j < n && isWordChar(s[j]))
                ++j;
            push(Kind::Word, i, j);
        } else if (c == '(') {
            push(Kind::Open, i, i + 1);
        } else if (c == ')') {
            push(Kind::Close, i, i + 1);
        } else {
            static constexpr std::array<std::string_view, 8> kPairs = {
                "<>", "!=", "<=", ">=", "||", "!<", "!>", "=="};
            const bool pair = std::any_of(kPairs.begin(), kPairs.end(),
                                          [&](std::string_view p) { return s.substr(i, 2) == p; });
            push(Kind::Punct, i, i + (pair ? 2 : 1));
        }
    }
    return out;
}

Seq nest(Seq& tokens, size_t& pos, bool inner, bool& closed) {
    Seq seq;
    while (pos < tokens.size()) {
        Node& t = tokens[pos++];
        if (t.kind == Kind::Open) {
            Node g{Kind::Group, {}, {}, false};
            g.kids = nest(tokens, pos, true, g.closed);
            seq.push_back(std::move(g));
        } else if (t.kind == Kind::Close) {
            if (inner) {
                closed = true;
                return seq;
            }
            t.kind = Kind::Punct; // a stray ')' stays as written
            seq.push_back(std::move(t));
        } else {
            seq.push_back(std::move(t));
        }
    }
    closed = false;
    return seq;
}

void emit(const Seq& seq, std::string& out) {
    for (const Node& node : seq) {
        if (node.kind == Kind::Group) {
            out += '(';
            emit(node.kids, out);
            if (node.closed)
                out += ')';
        } else {
            out += node.text;
        }
    }
}

std::string emitted(const Seq& seq) {
    std::string out;
    emit(seq, out);
    const size_t b = out.find_first_not_of(" \t\r\n\f\v");
    if (b == std::string::npos)
        return {};
    return out.substr(b, out.find_last_not_of(" \t\r\n\f\v") - b + 1);
}

bool significant(const Node& n) {
    return n.kind != Kind::Space && n.kind != Kind::Comment;
}
int nextSig(const Seq& seq, int i) {
    for (int j = i + 1; j < static_cast<int>(seq.size()); ++j)
        if (significant(seq[j]))
            return j;
    return -1;
}
int prevSig(const Seq& seq, int i) {
    for (int j = i - 1; j >= 0; --j)
        if (significant(seq[j]))
            return j;
    return -1;
}
bool isWord(const Node& n, std::string_view w) {
    return n.kind == Kind::Word && same(n.text, w);
}
bool isPunct(const Node& n, std::string_view p) {
    return n.kind == Kind::Punct && n.text == p;
}

bool isKeyword(const Node& n) {
    static constexpr std::array<std::string_view, 34> kKeywords = {
        "select",  "where", "and",    "or",     "not",    "in",       "on",    "exists", "values",
        "as",      "from",  "join",   "set",    "when",   "then",     "else",  "case",   "is",
        "like",    "by",    "having", "union",  "all",    "distinct", "into",  "top",    "return",
        "between", "end",   "update", "delete", "insert", "with",     "escape"};
    return n.kind == Kind::Word && std::any_of(kKeywords.begin(), kKeywords.end(),
                                               [&](std::string_view k) { return same(n.text, k); });
}

// A function call: a name that is no keyword, then its argument group.
bool isCall(const Seq& seq, int word) {
    if (word < 0 || seq[word].kind != Kind::Word || isKeyword(seq[word]))
        return false;
    const int g = nextSig(seq, word);
    return g >= 0 && seq[g].kind == Kind::Group;
}

std::vector<Seq> splitArgs(const Seq& kids) {
    std::vector<Seq> args(1);
    for (const Node& n : kids) {
        if (isPunct(n, ","))
            args.emplace_back();
        else
            args.back().push_back(n);
    }
    return args;
}

std::vector<const Node*> sigNodes(const Seq& seq) {
    std::vector<const Node*> r;
    for (const Node& n : seq)
        if (significant(n))
            r.push_back(&n);
    return r;
}

bool isCharType(const Node& n) {
    static constexpr std::array<std::string_view, 7> kTypes = {"varchar", "nvarchar", "char",   "nchar",
                                                               "text",    "ntext",    "sysname"};
    return n.kind == Kind::Word &&
           std::any_of(kTypes.begin(), kTypes.end(), [&](std::string_view t) { return same(n.text, t); });
}

bool isTextExpr(const Seq& seq);

bool isTextCall(std::string_view name, const Node& group) {
    static constexpr std::array<std::string_view, 20> kTextFunctions = {
        "right", "left", "substring", "substr",    "ltrim", "rtrim",  "trim",  "replace", "upper",  "lower",
        "str",   "char", "nchar",     "replicate", "space", "concat", "stuff", "reverse", "format", "printf"};
    if (std::any_of(kTextFunctions.begin(), kTextFunctions.end(),
                    [&](std::string_view f) { return same(name, f); }))
        return true;
    const auto sig = sigNodes(group.kids);
    if (same(name, "convert"))
        return !sig.empty() && isCharType(*sig.front());
    if (same(name, "cast")) {
        for (size_t i = 0; i + 1 < sig.size(); ++i)
            if (isWord(*sig[i], "as"))
                return isCharType(*sig[i + 1]);
    }
    return false;
}

// A parenthesised expression is text when it already concatenates or holds one text operand.
bool isTextExpr(const Seq& seq) {
    const auto sig = sigNodes(seq);
    if (std::any_of(sig.begin(), sig.end(), [](const Node* n) { return isPunct(*n, "||"); }))
        return true;
    if (sig.size() == 1)
        return sig[0]->kind == Kind::String || sig[0]->textual ||
               (sig[0]->kind == Kind::Group && isTextExpr(sig[0]->kids));
    if (sig.size() == 2 && sig[0]->kind == Kind::Word && sig[1]->kind == Kind::Group)
        return isTextCall(sig[0]->text, *sig[1]);
    return false;
}

struct Operand {
    int first;
    int last;
    bool text;
};

bool isName(const Node& n) {
    return (n.kind == Kind::Word && !isKeyword(n)) || n.kind == Kind::Quoted;
}

std::optional<Operand> leftOperand(const Seq& seq, int plus) {
    const int j = prevSig(seq, plus);
    if (j < 0)
        return std::nullopt;
    const Node& n = seq[j];
    switch (n.kind) {
    case Kind::String:
        return Operand{j, j, true};
    case Kind::Number:
    case Kind::Raw:
        return Operand{j, j, n.textual};
    case Kind::Group: {
        const int k = prevSig(seq, j);
        if (k >= 0 && isCall(seq, k))
            return Operand{k, j, isTextCall(seq[k].text, n)};
        return Operand{j, j, isTextExpr(n.kids)};
    }
    case Kind::Word:
    case Kind::Quoted: {
        if (!isName(n))
            return std::nullopt;
        int first = j;
        // table.column
        for (int dot = prevSig(seq, first); dot >= 0 && isPunct(seq[dot], ".");) {
            const int q = prevSig(seq, dot);
            if (q < 0 || !isName(seq[q]))
                break;
            first = q;
            dot = prevSig(seq, first);
        }
        return Operand{first, j, false};
    }
    default:
        return std::nullopt; // a unary '+'
    }
}

std::optional<Operand> rightOperand(const Seq& seq, int plus) {
    const int j = nextSig(seq, plus);
    if (j < 0)
        return std::nullopt;
    const Node& n = seq[j];
    switch (n.kind) {
    case Kind::String:
        return Operand{j, j, true};
    case Kind::Number:
    case Kind::Raw:
        return Operand{j, j, n.textual};
    case Kind::Group:
        return Operand{j, j, isTextExpr(n.kids)};
    case Kind::Word:
    case Kind::Quoted: {
        if (!isName(n))
            return std::nullopt;
        if (isCall(seq, j)) {
            const int g = nextSig(seq, j);
            return Operand{j, g, isTextCall(n.text, seq[g])};
        }
        int last = j;
        for (int dot = nextSig(seq, last); dot >= 0 && isPunct(seq[dot], ".");) {
            const int q = nextSig(seq, dot);
            if (q < 0 || !isName(seq[q]))
                break;
            last = q;
            dot = nextSig(seq, last);
        }
        return Operand{j, last, false};
    }
    default:
        return std::nullopt;
    }
}

void concatenation(Seq& seq) {
    struct Plus {
        int at;
        Operand left;
        Operand right;
    };
    std::vector<Plus> pluses;
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isPunct(seq[i], "+"))
            continue;
        const auto l = leftOperand(seq, i);
        const auto r = rightOperand(seq, i);
        if (l && r)
            pluses.push_back({i, *l, *r});
    }
    // a + b + 'x': the whole chain joins text, as SQL Server evaluates it left to right.
    for (size_t b = 0; b < pluses.size();) {
        size_t e = b + 1;
        while (e < pluses.size() && pluses[e].left.last == pluses[e - 1].right.last)
            ++e;
        bool text = pluses[b].left.text;
        for (size_t k = b; k < e; ++k)
            text = text || pluses[k].right.text;
        if (text)
            for (size_t k = b; k < e; ++k)
                seq[pluses[k].at].text = "||";
        b = e;
    }
}

// SQL Server turns the text of RIGHT(x, 4)=5678 into a number; SQLite compares text with a number as unequal.
// Comparing the literal as text gives the same answer for the digit strings such statements paste.
void textComparisons(Seq& seq) {
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isPunct(seq[i], "=") && !isPunct(seq[i], "<>") && !isPunct(seq[i], "!="))
            continue;
        const auto l = leftOperand(seq, i);
        const auto r = rightOperand(seq, i);
        if (!l || !r)
            continue;
        auto quote = [&](const Operand& number) {
            Node& n = seq[number.first];
            if (n.kind == Kind::Number && n.text.find_first_not_of("0123456789") == std::string::npos)
                n.text = "'" + n.text + "'";
        };
        if (l->text)
            quote(*r);
        else if (r->text)
            quote(*l);
    }
}

bool isIntegerLiteral(const Seq& arg) {
    const auto sig = sigNodes(arg);
    if (sig.size() == 2 && (isPunct(*sig[0], "-") || isPunct(*sig[0], "+")))
        return sig[1]->kind == Kind::Number &&
               sig[1]->text.find_first_not_of("0123456789") == std::string::npos;
    return sig.size() == 1 && sig[0]->kind == Kind::Number &&
           sig[0]->text.find_first_not_of("0123456789") == std::string::npos;
}

// The modifier text for strftime: a literal when the count is one, an expression otherwise.
// factor is a multiplier in digits ("1", "7", "12").
std::string modifier(const Seq& countArg, std::string_view factor, std::string_view unit) {
    const std::string count = emitted(countArg);
    if (isIntegerLiteral(countArg) && factor == "1") {
        std::string digits;
        for (char c : count)
            if (c != ' ' && c != '\t' && c != '+')
                digits += c;
        return "'" + digits + " " + std::string(unit) + "'";
    }
    std::string expr = "CAST((" + count + ") AS INTEGER)";
    if (factor != "1")
        expr = "(" + expr + "*" + std::string(factor) + ")";
    return expr + " || ' " + std::string(unit) + "'";
}

std::optional<std::string> dateAdd(const std::vector<Seq>& args) {
    if (args.size() != 3)
        return std::nullopt;
    const auto unitSig = sigNodes(args[0]);
    if (unitSig.size() != 1 || unitSig[0]->kind != Kind::Word)
        return std::nullopt;
    const std::string unit = lowered(unitSig[0]->text);
    const std::string date = emitted(args[2]);
    auto shift = [&](std::string_view factor, std::string_view name) {
        return "strftime('%Y-%m-%d %H:%M:%f', " + date + ", " + modifier(args[1], factor, name) + ")";
    };
    std::string_view months;
    if (unit == "year" || unit == "yy" || unit == "yyyy")
        months = "12";
    else if (unit == "quarter" || unit == "qq" || unit == "q")
        months = "3";
    else if (unit == "month" || unit == "mm" || unit == "m")
        months = "1";
    if (!months.empty()) {
        // SQLite rolls 03-31 minus a month over to 03-02; SQL Server stops at the month's last day.
        const std::string m = modifier(args[1], months, "months");
        return "(strftime('%Y-%m-', " + date + ", 'start of month', " + m +
               ") || printf('%02d', min(CAST(strftime('%d', " + date + ") AS INTEGER), CAST(strftime('%d', " +
               date + ", 'start of month', " + m +
               ", '+1 month', '-1 day') AS INTEGER))) || strftime(' %H:%M:%f', " + date + "))";
    }
    if (unit == "day" || unit == "dd" || unit == "d" || unit == "dayofyear" || unit == "dy" || unit == "y" ||
        unit == "weekday" || unit == "dw" || unit == "w")
        return shift("1", "days");
    if (unit == "week" || unit == "wk" || unit == "ww")
        return shift("7", "days");
    if (unit == "hour" || unit == "hh")
        return shift("1", "hours");
    if (unit == "minute" || unit == "mi" || unit == "n")
        return shift("1", "minutes");
    if (unit == "second" || unit == "ss" || unit == "s")
        return shift("1", "seconds");
    return std::nullopt;
}

// The replacement text of a known SQL Server function, or nothing to leave the call as written.
std::optional<std::string> rewriteCall(std::string_view name, const Node& group) {
    const auto args = splitArgs(group.kids);
    const bool empty = sigNodes(group.kids).empty();
    if (same(name, "getdate") && empty)
        return std::string(kNow);
    if (same(name, "isnull") && args.size() == 2)
        return "ifnull(" + emitted(args[0]) + ", " + emitted(args[1]) + ")";
    if (same(name, "len") && args.size() == 1 && !empty)
        return "length(rtrim(" + emitted(args[0]) + ", ' '))"; // LEN does not count trailing blanks
    if (same(name, "right") && args.size() == 2) {
        const std::string n = emitted(args[1]);
        const std::string count = isIntegerLiteral(args[1]) ? n : "(" + n + ")";
        // The length bounds the result, so RIGHT(x, 0) stays empty.
        return "substr(" + emitted(args[0]) + ", -" + count + ", " + count + ")";
    }
    if (same(name, "left") && args.size() == 2)
        return "substr(" + emitted(args[0]) + ", 1, " + emitted(args[1]) + ")";
    if (same(name, "convert") && args.size() == 2)
        return "CAST(" + emitted(args[1]) + " AS " + emitted(args[0]) + ")";
    if (same(name, "dateadd"))
        return dateAdd(args);
    return std::nullopt;
}

void functions(Seq& seq) {
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isCall(seq, i))
            continue;
        const int p = prevSig(seq, i);
        if (p >= 0 && isPunct(seq[p], "."))
            continue; // schema.function is someone else's
        const int g = nextSig(seq, i);
        const auto text = rewriteCall(seq[i].text, seq[g]);
        if (!text)
            continue;
        const bool textual = isTextCall(seq[i].text, seq[g]);
        seq[i] = Node{Kind::Raw, *text, {}, true, textual};
        seq.erase(seq.begin() + i + 1, seq.begin() + g + 1);
    }
}

void top(Seq& seq) {
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isWord(seq[i], "select"))
            continue;
        int k = nextSig(seq, i);
        if (k >= 0 && (isWord(seq[k], "distinct") || isWord(seq[k], "all")))
            k = nextSig(seq, k);
        if (k < 0 || !isWord(seq[k], "top"))
            continue;
        const int m = nextSig(seq, k);
        if (m < 0 || (seq[m].kind != Kind::Number && seq[m].kind != Kind::Group))
            continue;
        const int after = nextSig(seq, m);
        if (after >= 0 && (isWord(seq[after], "percent") || isWord(seq[after], "with")))
            continue; // no SQLite form: left to fail
        const std::string count = seq[m].kind == Kind::Number ? seq[m].text : emitted(seq[m].kids);
        int end = m + 1;
        if (end < static_cast<int>(seq.size()) && seq[end].kind == Kind::Space)
            ++end;
        seq.erase(seq.begin() + k, seq.begin() + end);
        int stop = k;
        while (stop < static_cast<int>(seq.size()) && !isPunct(seq[stop], ";"))
            ++stop;
        // Before trailing blanks and comments, so a "--" comment does not swallow it.
        while (stop > k && !significant(seq[stop - 1]))
            --stop;
        seq.insert(seq.begin() + stop, Node{Kind::Raw, " LIMIT " + count, {}, true});
    }
}

void deleteFrom(Seq& seq) {
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isWord(seq[i], "delete"))
            continue;
        const int p = prevSig(seq, i);
        if (p >= 0 && !isPunct(seq[p], ";") && !isWord(seq[p], "begin"))
            continue; // ON DELETE, AFTER DELETE, ...
        const int k = nextSig(seq, i);
        if (k < 0 || !isName(seq[k]) || isWord(seq[k], "from"))
            continue;
        seq.insert(seq.begin() + k, Node{Kind::Raw, "FROM ", {}, true});
    }
}

// SQL Server ends a number where a letter follows it ("mem_code=30AND ..."); SQLite reads "30AND" as
// one bad token. The lexer already ends the number there (hex and exponent forms stay whole), so a blank
// between the two says the same to both.
void numberWordBlanks(Seq& seq) {
    for (size_t i = 0; i + 1 < seq.size(); ++i)
        if (seq[i].kind == Kind::Number && seq[i + 1].kind == Kind::Word)
            seq.insert(seq.begin() + static_cast<std::ptrdiff_t>(i + 1), Node{Kind::Space, " ", {}, true});
}

bool isTableHint(const Node& n) {
    static constexpr std::array<std::string_view, 20> kHints = {
        "nolock",    "holdlock",        "updlock",  "rowlock",           "paglock",
        "tablock",   "tablockx",        "xlock",    "readpast",          "readcommitted",
        "nowait",    "readuncommitted", "snapshot", "repeatableread",    "serializable",
        "forceseek", "forcescan",       "noexpand", "readcommittedlock", "index"};
    return n.kind == Kind::Word &&
           std::any_of(kHints.begin(), kHints.end(), [&](std::string_view h) { return same(n.text, h); });
}

// "FROM t WITH (UPDLOCK, HOLDLOCK)": SQLite has no table hints and needs none, a write transaction there
// already holds the whole file. Only a group of known hints after a table name is dropped.
void tableHints(Seq& seq) {
    for (int i = 0; i < static_cast<int>(seq.size()); ++i) {
        if (!isWord(seq[i], "with"))
            continue;
        const int p = prevSig(seq, i);
        const int g = nextSig(seq, i);
        if (p < 0 || !isName(seq[p]) || g < 0 || seq[g].kind != Kind::Group)
            continue;
        const auto kids = sigNodes(seq[g].kids);
        bool hints = !kids.empty();
        for (size_t k = 0; k < kids.size() && hints; ++k) {
            if (isPunct(*kids[k], ","))
                continue;
            if (!isTableHint(*kids[k]))
                hints = false;
            else if (same(kids[k]->text, "index") && k + 1 < kids.size() && kids[k + 1]->kind == Kind::Group)
                ++k; // INDEX(name)
        }
        if (!hints)
            continue;
        int from = i;
        if (from > 0 && seq[from - 1].kind == Kind::Space)
            --from;
        seq.erase(seq.begin() + from, seq.begin() + g + 1);
        i = from - 1;
    }
}

void translate(Seq& seq, bool statementLevel) {
    numberWordBlanks(seq);
    for (Node& n : seq)
        if (n.kind == Kind::Group)
            translate(n.kids, false);
    tableHints(seq);
    // Before the rewrites, while the T-SQL names still tell which calls give text.
    concatenation(seq);
    textComparisons(seq);
    functions(seq);
    top(seq);
    if (statementLevel)
        deleteFrom(seq);
}

} // namespace

std::string TranslateToSqlite(std::string_view sql) {
    Seq tokens = lex(sql);
    size_t pos = 0;
    bool closed = false;
    Seq tree = nest(tokens, pos, false, closed);
    translate(tree, true);
    std::string out;
    out.reserve(sql.size() + 32);
    emit(tree, out);
    return out;
}

bool ChangesRows(std::string_view sql) {
    for (const Node& n : lex(sql)) {
        if (!significant(n))
            continue;
        return isWord(n, "insert") || isWord(n, "update") || isWord(n, "delete");
    }
    return false;
}

} // namespace zmsg::db
