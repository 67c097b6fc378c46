#include "sms/pasteparser.h"

#include <cstdio>

#include "center/vexglobal.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kMaxFields = 4;

// The part of a line that becomes fields: up to the fourth separator; what follows is dropped.
qsizetype UsedLength(const QString& line, QChar separator) {
    qsizetype found = 0;
    for (qsizetype i = 0; i < line.size(); ++i)
        if (line[i] == separator && ++found == kMaxFields)
            return i;
    return line.size();
}

// Splits CP949 bytes at an ASCII separator (never a CP949 trail byte) into at most four fields.
std::vector<std::string> SplitFields(std::string_view line, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < kMaxFields - 1) {
        const size_t p = line.find(separator, start);
        if (p == std::string_view::npos)
            break;
        fields.emplace_back(line.substr(start, p - start));
        start = p + 1;
    }
    fields.emplace_back(line.substr(start));
    return fields;
}

std::string Grouped(int count) {
    return CvexGlobal::GetMoneyString(static_cast<long long>(count));
}

} // namespace

PasteResult PasteRecipients(const QString& clipboardText, RecipientList& list) {
    PasteResult result;
    const size_t before = list.size();
    const QChar separator = clipboardText.contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char(',');

    qsizetype start = 0;
    int lineNumber = 0;
    while (start < clipboardText.size()) {
        const qsizetype end = clipboardText.indexOf(QLatin1Char('\n'), start);
        QString line = clipboardText.mid(start, end < 0 ? -1 : end - start);
        start = end < 0 ? clipboardText.size() : end + 1;
        ++lineNumber;
        ++result.total;
        line.remove(QLatin1Char('\r'));
        line.truncate(UsedLength(line, separator));

        // A NUL would cut the text short wherever it is later treated as a C string.
        std::optional<std::string> cp949;
        if (!line.contains(QChar(u'\0')))
            cp949 = zmsg::ToCp949(line);
        if (!cp949) {
            // Only a line that would have been added is worth naming; one without a digit is not.
            bool anyDigit = false;
            for (QChar c : line)
                anyDigit = anyDigit || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
            if (anyDigit)
                result.unencodableLines.push_back(lineNumber);
            continue;
        }
        const std::vector<std::string> fields = SplitFields(*cp949, static_cast<char>(separator.unicode()));
        const bool single = fields.size() == 1;
        const std::string phone = CvexGlobal::GetNumberOnlyString(single ? fields[0] : fields[1]);
        if (phone.empty())
            continue;
        static const std::string none;
        list.AddRecipient(0, single ? none : fields[0], phone, fields.size() > 2 ? fields[2] : none,
                          fields.size() > 3 ? fields[3] : none, none);
        ++result.added;
    }
    if (list.size() > before)
        result.firstNewRow = static_cast<int>(before);
    return result;
}

std::string PasteSummaryMessage(const PasteResult& result, int refused) {
    const int added = result.added - refused;
    if (added == result.total)
        return K("붙여넣기 입력데이터 ") + Grouped(result.total) + K(" 건을 전송대상에 추가했습니다.");
    std::string text = K("붙여넣기 입력데이터 총 ") + Grouped(result.total) + K(" 건중 ") + Grouped(added) +
                       K(" 건을 전송대상에 추가했습니다.");
    if (refused > 0)
        text += K("\n\nSMS 수신거부 ") + Grouped(refused) + K(" 건은 추가하지 않았습니다.");
    const int unencodable = static_cast<int>(result.unencodableLines.size());
    const int noPhone = result.total - result.added - unencodable;
    if (noPhone > 0)
        text += K("\n\n전화번호 없는 ") + Grouped(noPhone) + K(" 건은 추가되지 않습니다.");
    if (unencodable > 0) {
        // Name the lines so they can be found and mended in the sheet; a long list is cut short.
        constexpr int kNamed = 10;
        std::string lines;
        for (int i = 0; i < unencodable && i < kNamed; ++i)
            lines += (i ? ", " : "") + std::to_string(result.unencodableLines[static_cast<size_t>(i)]);
        lines += K("번째 줄");
        if (unencodable > kNamed)
            lines += K(" 외 ") + Grouped(unencodable - kNamed) + K("줄");
        text += K("\n\n문자메시지로 보낼 수 없는 글자(이모지 등)가 들어 있는 ") + Grouped(unencodable) +
                K(" 건은 추가하지 않았습니다.\n(") + lines + ")";
    }
    return text;
}
