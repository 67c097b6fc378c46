#include "center/replyreader.h"

#include <charconv>
#include <climits>

#include "center/text/codec.h"
#include "center/vexglobal.h"

namespace zmsg {

namespace {
std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    return s;
}
} // namespace

std::string ConvertReply(std::string_view utf8) {
    return CvexGlobal::EncodeUTF8ToANSI(utf8);
}

bool IsPositiveReply(std::string_view reply, size_t minLength) {
    return reply.size() >= minLength && HasStatus(reply, '1');
}

bool HasStatus(std::string_view reply, char code) {
    return reply.size() >= 2 && reply[0] == code && reply[1] == ':';
}

bool HasReason(std::string_view reply) {
    return reply.size() >= 2 && reply[1] == ':';
}

std::string ReasonSuffix(std::string_view reply) {
    if (!HasReason(reply))
        return {};
    return K("\n\n☞ ") + std::string(reply.substr(2));
}

long long ElementInt64(std::string_view reply, std::string_view name) {
    const std::string value = CvexGlobal::GetParsedElement(reply, name);
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
    const std::string value = CvexGlobal::GetParsedElement(reply, name);
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
