// Whatever a phone field holds, masking either refuses it untouched or can be undone exactly, and
// restoring with any key never changes the length of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "center/phonemask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    // First byte: the draw; next four: a key to try on the text as stored; the rest: the text.
    const int r = data[0] % 50 + 1;
    int32_t anyKey;
    std::memcpy(&anyKey, data + 1, sizeof anyKey);
    const std::string_view phone(reinterpret_cast<const char*>(data + 5), size - 5);

    std::string masked;
    int32_t key = 0;
    std::string out;
    if (MaskPhone(phone, masked, key, r)) {
        if (key < 0 || masked.size() != phone.size() || UnmaskPhone(masked, key, out) == 0 || out != phone)
            std::abort();
    } else if (masked != phone || key != -1) {
        std::abort();
    }
    const int restored = UnmaskPhone(phone, anyKey, out);
    if (out.size() != phone.size() || (restored == 0 && out != phone))
        std::abort();
    return 0;
}
