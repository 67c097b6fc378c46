#include "text/textscan.h"

#include <charconv>
#include <climits>

std::string NormalizeLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

namespace zmsg {

namespace {
std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    return s;
}
} // namespace

std::string ElementText(std::string_view text, std::string_view key) {
    // Built by appending: "<" + std::string(key) trips GCC 12's -Wrestrict at -O3.
    std::string open(1, '<');
    open.append(key).append(1, '>');
    std::string close("</");
    close.append(key).append(1, '>');
    const size_t a = text.find(open);
    if (a == std::string_view::npos)
        return {};
    const size_t from = a + open.size();
    const size_t b = text.find(close, from);
    if (b == std::string_view::npos)
        return {};
    return std::string(text.substr(from, b - from));
}

long long ElementInt64(std::string_view reply, std::string_view name) {
    const std::string value = ElementText(reply, name);
    std::string_view s = SkipBlanks(value);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long result = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        const int digit = c - '0';
        if (result > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        result = result * 10 + digit;
    }
    return negative ? -result : result;
}

int ElementInt(std::string_view reply, std::string_view name) {
    const long long v = ElementInt64(reply, name);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

double ElementDouble(std::string_view reply, std::string_view name) {
    const std::string value = ElementText(reply, name);
    std::string_view s = SkipBlanks(value);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double result = 0;
    // from_chars ignores the process locale, which Qt sets from the environment.
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), result);
    (void)end;
    return ec == std::errc() ? result : 0.0;
}

} // namespace zmsg
