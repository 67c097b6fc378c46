// The one place where code page 949 meets UTF-8 and QString.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace zmsg {

// CP949 bytes to UTF-8. A byte sequence that is not CP949 becomes U+FFFD; nothing is dropped silently.
std::string Cp949ToUtf8(std::string_view cp949);

// UTF-8 to CP949. nullopt when the text holds a character CP949 cannot carry (or is not UTF-8);
// badChars then receives those characters, in order, as UTF-8.
std::optional<std::string> Utf8ToCp949(std::string_view utf8, std::vector<std::string>* badChars = nullptr);

// UTF-8 to CP949 where a loss is acceptable (replies from outside): unencodable characters become '?'.
std::string Utf8ToCp949Lossy(std::string_view utf8);

QString FromCp949(std::string_view cp949);
std::optional<std::string> ToCp949(const QString& text, std::vector<std::string>* badChars = nullptr);
// For texts the module itself wrote in Korean source (always encodable).
std::string ToCp949Lossy(const QString& text);

// File names: a path as the host hands it (CP949 text) to the name the file system knows the file by,
// and back (for the clerk's messages and the CP949 files the module writes).
std::string FileNameFromCp949(std::string_view cp949);
std::string FileNameToCp949(const std::string& fileName);

// The module's own texts are written in UTF-8 source; K() gives their CP949 bytes.
inline std::string K(std::string_view utf8) {
    return Utf8ToCp949Lossy(utf8);
}

// Percent-encoding of bytes for form values: unreserved bytes stay, space is "%20".
std::string UrlEncode(std::string_view bytes);
// Appending forms for building a long body without a string per piece: UrlEncode(bytes), and
// UrlEncode(Cp949ToUtf8(cp949)).
void AppendUrlEncoded(std::string& out, std::string_view bytes);
void AppendCp949AsUtf8Url(std::string& out, std::string_view cp949);
std::string UrlDecode(std::string_view text);

// Length in bytes of the CP949 character starting at text[i] (1 or 2).
inline size_t Cp949CharLen(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    return (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) ? 2 : 1;
}

} // namespace zmsg
