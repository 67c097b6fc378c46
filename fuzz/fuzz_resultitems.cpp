// Whatever a result reply holds, every item handed on is a phone of 5 to 20 digits and a result of
// at most nine digits, and no item is counted twice or lost.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "results/resultitems.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ResultItems parsed = ParseResultItems(text);
    if (parsed.items.size() + parsed.rejected.size() > parsed.raw)
        std::abort();
    size_t hashes = 0;
    for (char c : text)
        hashes += c == '#';
    if (parsed.raw != (text.empty() ? 0 : hashes + 1))
        std::abort();
    for (const ResultItem& item : parsed.items) {
        if (item.phone.size() < 5 || item.phone.size() > 20 || item.result < 0 || item.result > 999999999)
            std::abort();
        for (char c : item.phone)
            if (c < '0' || c > '9')
                std::abort();
    }
    return 0;
}
