#include "sim/formdata.h"

#include "text/codec.h"

namespace zmsg::sim {

FormFields ParseForm(std::string_view body) {
    FormFields fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view pair = body.substr(start, end - start);
        if (!pair.empty()) {
            const size_t eq = pair.find('=');
            if (eq == std::string_view::npos)
                fields.emplace_back(zmsg::UrlDecode(pair), std::string());
            else
                fields.emplace_back(zmsg::UrlDecode(pair.substr(0, eq)),
                                    zmsg::UrlDecode(pair.substr(eq + 1)));
        }
        start = end + 1;
    }
    return fields;
}

std::string FieldOf(const FormFields& fields, std::string_view name) {
    for (const auto& [key, value] : fields)
        if (key == name)
            return value;
    return {};
}

std::string Base64Decode(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0)
            break;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

} // namespace zmsg::sim
