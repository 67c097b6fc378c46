#include "center/phonemask.h"

#include <chrono>

namespace {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Milliseconds on the monotonic clock (time since boot), mod 50, plus 1: a cheap draw in 1..50
// that keeps keys of the same number from looking alike.
int DrawR() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<int>(ms.count() % 50) + 1;
}

} // namespace

bool MaskPhone(std::string_view phone, std::string& masked, int32_t& key) {
    return MaskPhone(phone, masked, key, DrawR());
}

bool MaskPhone(std::string_view phone, std::string& masked, int32_t& key, int r) {
    key = -1;
    masked.assign(phone);
    r = ((r - 1) % 50 + 50) % 50 + 1; // keeps the top byte small, so the key stays positive
    if (phone.size() < 6)
        return false;

    // Six digits from the end, the last one in slot 5; slot 0 and 1 are the pair to hide.
    int digits[6] = {};
    int collected = 0;
    int xCount = 0;
    size_t tensPos = 0;
    size_t onesPos = 0;
    for (size_t i = phone.size(); i-- > 0 && collected < 6;) {
        const char c = phone[i];
        if (IsDigit(c)) {
            digits[5 - collected] = c - '0';
            ++collected;
            if (collected == 5)
                onesPos = i;
            else if (collected == 6)
                tensPos = i;
        } else if (c == 'x') {
            ++xCount;
        }
    }
    // Restoring counts every 'x' from the end, so even one 'x' among the last six digits would
    // put the hidden pair in the wrong place: such a number is left unmasked, like a masked one.
    if (xCount >= 1 || collected < 6)
        return false;

    masked[onesPos] = 'x';
    masked[tensPos] = 'x';
    const int a = digits[4] * 10 + digits[5];
    const int b = digits[2] * 10 + digits[3];
    const int c = digits[0] * 10 + digits[1];
    const uint32_t ur = static_cast<uint32_t>(r) & 0xFF;
    const uint32_t b1 = static_cast<uint32_t>((a % 38) + 12 + r) % 256;
    const uint32_t b2 = static_cast<uint32_t>((b % 37) + 13 + r) % 256;
    const uint32_t b3 = (static_cast<uint32_t>(c) ^ ur ^ b1 ^ b2) % 256;
    key = static_cast<int32_t>((ur << 24) | (b1 << 16) | (b2 << 8) | b3);
    return true;
}

int UnmaskPhone(std::string_view stored, int32_t key, std::string& out) {
    out.assign(stored);
    if (stored.size() < 6 || key < 0)
        return 0;
    const auto k = static_cast<uint32_t>(key);
    const uint32_t v = (k ^ (k >> 8) ^ (k >> 16) ^ (k >> 24)) & 0xFF;
    if (v > 99)
        return 0;

    int count = 0;
    size_t onesPos = std::string_view::npos;
    size_t tensPos = std::string_view::npos;
    for (size_t i = stored.size(); i-- > 0;) {
        const char c = stored[i];
        if (c == 'x') {
            if (count == 4) {
                onesPos = i;
            } else if (count == 5) {
                tensPos = i;
                break;
            }
            ++count;
        } else if (IsDigit(c)) {
            ++count;
        }
    }
    if (onesPos == std::string_view::npos || tensPos == std::string_view::npos)
        return 0;
    out[onesPos] = static_cast<char>('0' + v % 10);
    out[tensPos] = static_cast<char>('0' + v / 10);
    return 1;
}
