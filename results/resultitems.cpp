#include "results/resultitems.h"

namespace {

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool Digits(std::string_view s, size_t min, size_t max) {
    if (s.size() < min || s.size() > max)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

ResultItems ParseResultItems(std::string_view text) {
    ResultItems out;
    if (text.empty())
        return out;
    size_t start = 0;
    while (true) {
        const size_t hash = text.find('#', start);
        const std::string_view raw =
            text.substr(start, hash == std::string_view::npos ? std::string_view::npos : hash - start);
        ++out.raw;
        const std::string_view item = Trimmed(raw);
        const size_t colon = item.rfind(':');
        const std::string_view phone =
            colon == std::string_view::npos ? std::string_view() : item.substr(0, colon);
        const std::string_view result =
            colon == std::string_view::npos ? std::string_view() : item.substr(colon + 1);
        if (Digits(phone, 5, 20) && Digits(result, 1, 9)) {
            int value = 0;
            for (char c : result)
                value = value * 10 + (c - '0');
            out.items.push_back({std::string(phone), value});
        } else if (!item.empty()) {
            out.rejected.emplace_back(item.substr(0, 40));
        }
        if (hash == std::string_view::npos)
            break;
        start = hash + 1;
    }
    return out;
}
