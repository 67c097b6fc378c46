#include "center/text/codec.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <string>
#include <utility>

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

size_t Utf8SeqLen(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - i);
}

} // namespace

std::string Cp949ToUtf8(std::string_view cp949) {
    std::string out;
    Convert("UTF-8", "CP949", cp949, out, [&](size_t pos, std::string& rep, size_t& skip) {
        (void)pos;
        rep = "\xEF\xBF\xBD";
        skip = 1;
        return true;
    });
    return out;
}

std::optional<std::string> Utf8ToCp949(std::string_view utf8, std::vector<std::string>* badChars) {
    std::string out;
    bool anyBad = false;
    Convert("CP949", "UTF-8", utf8, out, [&](size_t pos, std::string& rep, size_t& skip) {
        anyBad = true;
        skip = Utf8SeqLen(utf8, pos);
        if (badChars)
            badChars->emplace_back(utf8.substr(pos, skip));
        rep = "?";
        return true;
    });
    if (anyBad)
        return std::nullopt;
    return out;
}

std::string Utf8ToCp949Lossy(std::string_view utf8) {
    std::string out;
    Convert("CP949", "UTF-8", utf8, out, [&](size_t pos, std::string& rep, size_t& skip) {
        skip = Utf8SeqLen(utf8, pos);
        rep = "?";
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

std::string UrlEncode(std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
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
