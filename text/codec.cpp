#include "text/codec.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <map>
#include <string>
#include <utility>

#include <QFile>

namespace zmsg {
namespace {

// Opening a converter costs far more than converting a cell's text (a send converts two cells per
// recipient): each thread keeps one per direction, reset before every use.
struct Converter {
    iconv_t cd;
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
};

iconv_t OpenConverter(const char* to, const char* from) {
    thread_local std::map<std::pair<std::string, std::string>, Converter> open;
    const iconv_t cd = open.try_emplace({to, from}, to, from).first->second.cd;
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
}

// One conversion pass. onBad is called with the offending input position when a
// sequence cannot be converted; it returns the bytes to emit instead and how many input bytes to skip,
// or false to abandon the conversion.
template <typename OnBad>
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, OnBad onBad) {
    const iconv_t cd = OpenConverter(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    out.reserve(in.size() * 3 / 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated sequence at the end)
        std::string replacement;
        size_t skip = 1;
        if (!onBad(static_cast<size_t>(src - in.data()), replacement, skip)) {
            ok = false;
            break;
        }
        out += replacement;
        skip = std::min(skip, srcLeft);
        src += skip;
        srcLeft -= skip;
    }
    return ok;
}

// A cell's text is converted once per recipient of a send: asking iconv for every few bytes costs
// far more than the conversion itself. Each two-byte sequence is asked once and its UTF-8 kept here;
// anything iconv does not convert whole (a bad or cut sequence) goes the slow way, so the result is
// always exactly iconv's. Entries: 0 not asked yet, kSlowPair not convertible alone, otherwise the
// length in the low byte and up to three UTF-8 bytes above it. Racing threads store the same value.
constexpr uint32_t kSlowPair = 0xFFFFFFFFu;
std::atomic<uint32_t> g_pairs[0x80 * 0x100];

uint32_t AskPair(unsigned char lead, unsigned char trail) {
    const iconv_t cd = OpenConverter("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return kSlowPair;
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char buf[8];
    char* src = in;
    size_t srcLeft = sizeof in;
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const size_t n = static_cast<size_t>(dst - buf);
    if (r == static_cast<size_t>(-1) || srcLeft != 0 || n < 1 || n > 3)
        return kSlowPair;
    uint32_t packed = static_cast<uint32_t>(n);
    for (size_t k = 0; k < n; ++k)
        packed |= static_cast<uint32_t>(static_cast<unsigned char>(buf[k])) << (8 * (k + 1));
    return packed;
}

[[gnu::noinline]] uint32_t AskAndKeepPair(std::atomic<uint32_t>& slot, unsigned char lead,
                                          unsigned char trail) {
    const uint32_t packed = AskPair(lead, trail);
    slot.store(packed, std::memory_order_relaxed);
    return packed;
}

inline uint32_t Pair(unsigned char lead, unsigned char trail) {
    std::atomic<uint32_t>& slot = g_pairs[((lead - 0x80u) << 8) | trail];
    const uint32_t packed = slot.load(std::memory_order_relaxed);
    return packed != 0 ? packed : AskAndKeepPair(slot, lead, trail);
}

// Appends the UTF-8 of cp949 through the pair table, each output byte through put. False when a
// sequence has to go through iconv: the caller then drops what was put and converts the whole text
// the slow way.
template <typename Put> bool Cp949Fast(std::string_view cp949, Put put) {
    const auto* p = reinterpret_cast<const unsigned char*>(cp949.data());
    const size_t n = cp949.size();
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            put(p[i]);
            continue;
        }
        if (i + 1 == n)
            return false;
        const uint32_t packed = Pair(p[i], p[i + 1]);
        if (packed == kSlowPair)
            return false;
        for (uint32_t k = 1; k <= (packed & 0xFFu); ++k)
            put(static_cast<unsigned char>(packed >> (8 * k)));
        ++i;
    }
    return true;
}

bool UrlSafe(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

constexpr char kHex[] = "0123456789ABCDEF";

size_t Utf8SeqLen(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - i);
}

// ASCII is the same in CP949 and UTF-8, and most values read back from a store are ASCII (codes,
// numbers, dates, digit phones): those skip iconv.
bool IsAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

std::string Cp949ToUtf8(std::string_view cp949) {
    std::string out;
    out.reserve(cp949.size() * 3 / 2 + 4);
    if (Cp949Fast(cp949, [&](unsigned char c) { out += static_cast<char>(c); }))
        return out;
    out.clear();
    Convert("UTF-8", "CP949", cp949, out, [&](size_t pos, std::string& rep, size_t& skip) {
        (void)pos;
        rep = "\xEF\xBF\xBD";
        skip = 1;
        return true;
    });
    return out;
}

std::optional<std::string> Utf8ToCp949(std::string_view utf8, std::vector<std::string>* badChars) {
    if (IsAscii(utf8))
        return std::string(utf8);
    std::string out;
    bool anyBad = false;
    Convert("CP949", "UTF-8", utf8, out, [&](size_t pos, std::string& rep, size_t& skip) {
        anyBad = true;
        skip = Utf8SeqLen(utf8, pos);
        if (badChars)
            badChars->emplace_back(utf8.substr(pos, skip));
        rep.assign(1, '?'); // not rep = "?": GCC 12 at -O3 warns falsely (-Wrestrict) on that
        return true;
    });
    if (anyBad)
        return std::nullopt;
    return out;
}

std::string Utf8ToCp949Lossy(std::string_view utf8) {
    if (IsAscii(utf8))
        return std::string(utf8);
    std::string out;
    Convert("CP949", "UTF-8", utf8, out, [&](size_t pos, std::string& rep, size_t& skip) {
        skip = Utf8SeqLen(utf8, pos);
        rep.assign(1, '?');
        return true;
    });
    return out;
}

QString FromCp949(std::string_view cp949) {
    const std::string u = Cp949ToUtf8(cp949);
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}

std::optional<std::string> ToCp949(const QString& text, std::vector<std::string>* badChars) {
    const QByteArray u = text.toUtf8();
    return Utf8ToCp949(std::string_view(u.constData(), static_cast<size_t>(u.size())), badChars);
}

std::string ToCp949Lossy(const QString& text) {
    const QByteArray u = text.toUtf8();
    return Utf8ToCp949Lossy(std::string_view(u.constData(), static_cast<size_t>(u.size())));
}

std::string FileNameFromCp949(std::string_view cp949) {
    return QFile::encodeName(FromCp949(cp949)).toStdString();
}

std::string FileNameToCp949(const std::string& fileName) {
    return ToCp949Lossy(QFile::decodeName(QByteArray::fromStdString(fileName)));
}

void AppendUrlEncoded(std::string& out, std::string_view bytes) {
    // Sized for the worst case up front: the loop then writes without growing.
    const size_t at = out.size();
    out.resize(at + bytes.size() * 3);
    char* w = out.data() + at;
    for (unsigned char c : bytes) {
        if (UrlSafe(c)) {
            *w++ = static_cast<char>(c);
        } else {
            *w++ = '%';
            *w++ = kHex[c >> 4];
            *w++ = kHex[c & 15];
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

std::string UrlEncode(std::string_view bytes) {
    std::string out;
    AppendUrlEncoded(out, bytes);
    return out;
}

void AppendCp949AsUtf8Url(std::string& out, std::string_view cp949) {
    // At most three UTF-8 bytes for two CP949 bytes, each written as three characters. A cell's text
    // fits on the stack.
    const size_t most = cp949.size() * 9 / 2 + 9;
    char small[512];
    std::string large;
    if (most > sizeof small)
        large.resize(most);
    char* const begin = most > sizeof small ? large.data() : small;
    char* w = begin;
    const bool fast = Cp949Fast(cp949, [&](unsigned char c) {
        if (UrlSafe(c)) {
            *w++ = static_cast<char>(c);
        } else {
            *w++ = '%';
            *w++ = kHex[c >> 4];
            *w++ = kHex[c & 15];
        }
    });
    if (fast)
        out.append(begin, static_cast<size_t>(w - begin));
    else
        AppendUrlEncoded(out, Cp949ToUtf8(cp949));
}

std::string UrlDecode(std::string_view text) {
    auto hexval = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexval(text[i + 1]) >= 0 &&
                   hexval(text[i + 2]) >= 0) {
            out += static_cast<char>(hexval(text[i + 1]) * 16 + hexval(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace zmsg
