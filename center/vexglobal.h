// Text, number and path operations the dialogs and transactions share. All texts are CP949.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CvexGlobal {
public:
    // Reply from the center (UTF-8) to CP949.
    static std::string EncodeUTF8ToANSI(std::string_view utf8);
    static std::string EncodeANSIToUTF8(std::string_view ansi);
    // UTF-8 bytes, percent-encoded, for form values.
    static std::string EncodeANSIToUTF8URL(std::string_view ansi);
    static std::string EncodeURL(std::string_view bytes);
    static std::string Base64EncodeNew(std::string_view bytes);

    // Text between <key> and </key>; empty when either tag is missing.
    static std::string GetParsedElement(std::string_view text, std::string_view key);
    static std::string GetNumberOnlyString(std::string_view text);
    // "1234567" -> "1,234,567"; a leading minus is kept. Only the whole part is grouped:
    // "1234.5000" -> "1,234.5", "1234.0000" -> "1,234".
    static std::string GetMoneyString(long long value);
    static std::string GetMoneyString(std::string_view digits);
    // Items between separators, in order; an empty text gives no items. Returns the count.
    static int SplitString(std::string_view text, std::vector<std::string>& items, char separator);
    // Without leading and trailing blanks, tabs and line breaks (bytes below 0x41 are never part of a
    // Korean character, so the scan is safe on CP949).
    static std::string Trim(std::string_view text);
    // Longest prefix within limit bytes that ends on a whole CP949 character.
    static std::string TruncateHangul(std::string_view text, size_t limit);
    // Optional sign, digits, at most one decimal point; at least one digit.
    static bool IsNumeric(std::string_view text);

    static bool IsPathExist(const std::string& path);
    static bool CreatePath(const std::string& folder);
};

// Replaces every single quote by a double quote, as every text put into a statement is.
std::string SqlQuoteSafe(std::string_view text);
// True when text is a comma-separated list of (optionally signed) decimal integers, blanks allowed.
bool IsCodeList(std::string_view text);
