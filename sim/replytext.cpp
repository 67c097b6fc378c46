#include "sim/replytext.h"

#include <cctype>
#include <cstdlib>

namespace zmsg::sim {

std::string Tag(const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
}

std::string Tag(const char* name, long long value) {
    return Tag(name, std::to_string(value));
}

std::string Fail(const std::string& reason) {
    return "0:" + reason;
}

std::optional<long long> Number(const std::string& text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (size_t k = i; k < text.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(text[k])))
            return std::nullopt;
    return std::strtoll(text.c_str(), nullptr, 10);
}

bool AllDigits(const std::string& text, size_t min, size_t max) {
    if (text.size() < min || text.size() > max)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::optional<std::vector<std::string>> SplitElements(const std::string& list) {
    std::vector<std::string> out;
    if (list.empty())
        return out;
    if (list.rfind("}{", 0) != 0)
        return std::nullopt;
    size_t start = 2;
    while (true) {
        const size_t next = list.find("}{", start);
        out.push_back(list.substr(start, next == std::string::npos ? std::string::npos : next - start));
        if (next == std::string::npos)
            break;
        start = next + 2;
    }
    return out;
}

std::string PhoneOf(const std::string& element) {
    return element.substr(0, element.find('|'));
}

} // namespace zmsg::sim
