#include "center/vexglobal.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include "frame/digits.h"
#include "text/codec.h"
#include "text/textscan.h"

std::string CvexGlobal::EncodeUTF8ToANSI(std::string_view utf8) {
    return zmsg::Utf8ToCp949Lossy(utf8);
}

std::string CvexGlobal::EncodeANSIToUTF8(std::string_view ansi) {
    return zmsg::Cp949ToUtf8(ansi);
}

std::string CvexGlobal::EncodeANSIToUTF8URL(std::string_view ansi) {
    std::string out;
    zmsg::AppendCp949AsUtf8Url(out, ansi);
    return out;
}

std::string CvexGlobal::EncodeURL(std::string_view bytes) {
    return zmsg::UrlEncode(bytes);
}

std::string CvexGlobal::Base64EncodeNew(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

std::string CvexGlobal::GetParsedElement(std::string_view text, std::string_view key) {
    return zmsg::ElementText(text, key);
}

std::string CvexGlobal::GetNumberOnlyString(std::string_view text) {
    return GetDigitsOnly(text);
}

std::string CvexGlobal::GetMoneyString(long long value) {
    return GetMoneyString(std::to_string(value));
}

std::string CvexGlobal::GetMoneyString(std::string_view digits) {
    std::string sign;
    if (!digits.empty() && digits.front() == '-') {
        sign = "-";
        digits.remove_prefix(1);
    }
    // A DECIMAL or MONEY column arrives as "1234.0000": only the whole part is grouped, a zero
    // fraction is dropped and a real one keeps its digits without the padding.
    std::string_view fraction;
    if (const size_t dot = digits.find('.'); dot != std::string_view::npos) {
        fraction = digits.substr(dot + 1);
        digits = digits.substr(0, dot);
        const size_t last = fraction.find_last_not_of('0');
        fraction = last == std::string_view::npos ? std::string_view() : fraction.substr(0, last + 1);
    }
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out += digits[i];
        const size_t left = n - i - 1;
        if (left > 0 && left % 3 == 0)
            out += ',';
    }
    if (!fraction.empty()) {
        out += '.';
        out += fraction;
    }
    return sign + out;
}

int CvexGlobal::SplitString(std::string_view text, std::vector<std::string>& items, char separator) {
    items.clear();
    if (text.empty())
        return 0;
    size_t start = 0;
    while (true) {
        const size_t p = text.find(separator, start);
        items.emplace_back(
            text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
        if (p == std::string_view::npos)
            break;
        start = p + 1;
    }
    return static_cast<int>(items.size());
}

std::string CvexGlobal::TruncateHangul(std::string_view text, size_t limit) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t len = zmsg::Cp949CharLen(text, i);
        if (i + len > limit)
            break;
        i += len;
    }
    return std::string(text.substr(0, i));
}

bool CvexGlobal::IsNumeric(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    bool digit = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digit = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

bool CvexGlobal::IsPathExist(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

bool CvexGlobal::CreatePath(const std::string& folder) {
    return QDir().mkpath(QString::fromStdString(folder));
}

std::string SqlQuoteSafe(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\'')
            c = '"';
    return out;
}

bool IsCodeList(std::string_view text) {
    bool inNumber = false, sawDigit = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            inNumber = true;
            sawDigit = true;
        } else if (c == ',') {
            if (!inNumber)
                return false;
            inNumber = false;
        } else if (c == '-' && !inNumber &&
                   (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')) {
            continue;
        } else if (c != ' ') {
            return false;
        }
    }
    return sawDigit && inNumber;
}

std::string CvexGlobal::Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}
