// The XML reader's byte scans over CP949 text: a two-byte character is stepped over whole, so a trail
// byte that happens to equal a delimiter is never taken for one. For the reader only.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace xmlscan {

// ASCII white space only: bytes above 0x7F belong to Korean characters and are never blank.
inline constexpr auto kSpaces = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
        table[c] = true;
    return table;
}();

constexpr bool IsSpace(unsigned char c) {
    return kSpaces[c];
}

constexpr bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
constexpr bool IsTrail(unsigned char c) {
    return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || (c >= 0x81 && c <= 0xFE);
}

// Bytes of the CP949 character at i. A lead byte without a valid trail byte counts alone, so a
// stray byte can never hide the delimiter that follows it.
inline size_t CharLen(std::string_view t, size_t i) {
    return (IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() &&
            IsTrail(static_cast<unsigned char>(t[i + 1])))
               ? 2
               : 1;
}

constexpr unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

inline bool StartsWithNoCase(std::string_view t, size_t i, std::string_view prefix) {
    if (t.size() - i < prefix.size())
        return false;
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (Lower(static_cast<unsigned char>(t[i + k])) != Lower(static_cast<unsigned char>(prefix[k])))
            return false;
    }
    return true;
}

// Names and blank runs are a few bytes: a plain loop beats a call to memcmp.
inline bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

inline bool IsBlank(std::string_view s) {
    for (const char c : s) {
        if (!IsSpace(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// First character at or after i for which isStop holds, stepping over whole CP949 characters and
// over the character after the escape byte (0: none). text.size() when the text ends first; an
// escape byte in the last position ends the search there instead of stepping past the end.
template <typename IsStop> size_t Scan(std::string_view t, size_t i, char escape, IsStop isStop) {
    const size_t n = t.size();
    while (i < n) {
        const char c = t[i];
        if (isStop(c))
            return i;
        if (escape != 0 && c == escape) {
            ++i;
            if (i < n)
                i += CharLen(t, i);
            continue;
        }
        i += CharLen(t, i);
    }
    return n;
}

inline size_t FindChar(std::string_view t, size_t i, char stop, char escape) {
    if (escape == 0 || escape == stop) {
        // The delimiters searched for are ASCII bytes that are never CP949 trail bytes, so a
        // byte search finds the same position as a character walk, only faster.
        if (!IsTrail(static_cast<unsigned char>(stop))) {
            // The next delimiter is usually a few bytes away: look there before calling out.
            for (const size_t near = std::min(t.size(), i + 16); i < near; ++i) {
                if (t[i] == stop)
                    return i;
            }
            const void* hit = i < t.size() ? std::memchr(t.data() + i, stop, t.size() - i) : nullptr;
            return hit ? static_cast<size_t>(static_cast<const char*>(hit) - t.data()) : t.size();
        }
    }
    return Scan(t, i, escape, [stop](char c) { return c == stop; });
}

// Start of marker (compared without case) at or after i, or npos.
inline size_t FindMarker(std::string_view t, size_t i, std::string_view marker, char escape) {
    const auto first = static_cast<unsigned char>(marker.front());
    while (i < t.size()) {
        i = Scan(t, i, escape,
                 [first](char c) { return Lower(static_cast<unsigned char>(c)) == Lower(first); });
        if (i >= t.size())
            break;
        if (StartsWithNoCase(t, i, marker))
            return i;
        i += CharLen(t, i);
    }
    return std::string_view::npos;
}

// First of the bytes a, b, c at or after i, or n. Sixteen bytes a step where the CPU allows: element
// texts are short, and a byte loop mispredicts its exit once per text.
inline size_t FindAny3(const char* d, size_t i, size_t n, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i) {
        if (d[i] == a || d[i] == b || d[i] == c)
            return i;
    }
    return n;
}

inline size_t SkipSpace(std::string_view t, size_t i) {
    while (i < t.size() && IsSpace(static_cast<unsigned char>(t[i])))
        ++i;
    return i;
}

} // namespace xmlscan
