#include "db/connection.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace zmsg::db {
namespace {

bool same(std::string_view a, std::string_view b) {
    auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return low(x) == low(y); });
}

std::string_view trimmed(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// "key=value;..." with {braced} values that may hold ';'.
std::vector<std::string_view> attributes(std::string_view s) {
    std::vector<std::string_view> out;
    size_t start = 0;
    bool braced = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '{')
            braced = true;
        else if (s[i] == '}')
            braced = false;
        else if (s[i] == ';' && !braced) {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < s.size())
        out.push_back(s.substr(start));
    return out;
}

} // namespace

std::optional<Connection> ParseConnection(const std::string& text, std::string* error) {
    auto fail = [&](std::string why) -> std::optional<Connection> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    Connection c;
    const std::string_view t(text);
    if (t.size() >= 7 && same(t.substr(0, 7), "sqlite:")) {
        c.kind = Connection::Kind::Sqlite;
        c.target = text.substr(7);
        if (c.target.empty())
            return fail("no database file named");
        c.sqliteDialect = true;
        c.charset = Charset::Utf8;
        return c;
    }
    if (!(t.size() >= 5 && same(t.substr(0, 5), "odbc:")))
        return fail("connection text must begin with sqlite: or odbc:");
    c.kind = Connection::Kind::Odbc;
    for (std::string_view attr : attributes(t.substr(5))) {
        const size_t eq = attr.find('=');
        const std::string_view key = trimmed(attr.substr(0, eq));
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : trimmed(attr.substr(eq + 1));
        if (same(key, "ZmsgDialect")) {
            if (same(value, "sqlite"))
                c.sqliteDialect = true;
            else if (same(value, "mssql") || value.empty())
                c.sqliteDialect = false;
            else
                return fail("unknown ZmsgDialect: " + std::string(value));
        } else if (same(key, "ZmsgCharset")) {
            if (same(value, "UTF-8") || same(value, "UTF8"))
                c.charset = Charset::Utf8;
            else if (same(value, "CP949") || value.empty())
                c.charset = Charset::Cp949;
            else
                return fail("unknown ZmsgCharset: " + std::string(value));
        } else if (!trimmed(attr).empty()) {
            if (!c.target.empty())
                c.target += ';';
            c.target += attr;
        }
    }
    if (c.target.empty())
        return fail("empty ODBC connection string");
    return c;
}

} // namespace zmsg::db
