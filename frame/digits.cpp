#include "frame/digits.h"

std::string GetDigitsOnly(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c >= '0' && c <= '9')
            out += c;
    return out;
}

std::string GetLeadingPhoneNumber(std::string_view text) {
    std::string out;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '-')
            out += c;
        else if (c != ' ')
            break;
    }
    return out;
}
