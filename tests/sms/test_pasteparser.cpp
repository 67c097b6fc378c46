// Pasting recipients: text as a spreadsheet or a person puts it on the clipboard.
#include <gtest/gtest.h>

#include "sms/pasteparser.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

std::vector<std::string> Shown(const RecipientList& list) {
    std::vector<std::string> out;
    for (const Recipient& r : list.rows())
        out.push_back(std::to_string(r.code) + "|" + Cp949ToUtf8(r.name) + "|" + r.phone + "|" +
                      Cp949ToUtf8(r.text3) + "|" + Cp949ToUtf8(r.text4) + (r.checked ? "|v" : "|-"));
    return out;
}

TEST(PasteParser, LinesAndFields) {
    const struct {
        const char* name;
        const char* text; // UTF-8, as the clipboard gives it
        std::vector<std::string> rows;
        int total;
        int added;
    } cases[] = {
        {"name, comma and dashed number", "홍길동,010-1234-5678\n", {"0|홍길동|01012345678|||v"}, 1, 1},
        {"number alone", "010 2222 3333", {"0||01022223333|||v"}, 1, 1},
        {"four fields, the rest dropped",
         "김철수,010-1111-2222,단골,2층,무시됨",
         {"0|김철수|01011112222|단골|2층|v"},
         1,
         1},
        {"spreadsheet rows with CRLF and a last empty line",
         "이름\t전화\t메모\r\n박영희\t010-3333-4444\t생일 쿠폰\r\n최민수\t***011-555-6666\t\t\r\n",
         {"0|박영희|01033334444|생일 쿠폰||v", "0|최민수|0115556666|||v"},
         3,
         2},
        {"a tab anywhere splits at tabs only",
         "정,수,연\t010-7777-8888\n",
         {"0|정,수,연|01077778888|||v"},
         1,
         1},
        {"blank line in the middle counts",
         "010-1000-2000\n\n010-1000-3000",
         {"0||01010002000|||v", "0||01010003000|||v"},
         3,
         2},
        {"lines with a number count as added whatever became of them",
         "a,010-1234-5678\nb,010-1234-5678\nc,02-123-4567\nd,없음",
         {"0|a|01012345678|||v"},
         4,
         3},
        {"name only, no separator: the line is the number", "홍길동", {}, 1, 0},
    };
    for (const auto& c : cases) {
        RecipientList list;
        const PasteResult r = PasteRecipients(QString::fromUtf8(c.text), list);
        EXPECT_EQ(Shown(list), c.rows) << c.name;
        EXPECT_EQ(r.total, c.total) << c.name;
        EXPECT_EQ(r.added, c.added) << c.name;
        EXPECT_EQ(r.firstNewRow, c.rows.empty() ? -1 : 0) << c.name;
        EXPECT_TRUE(r.unencodableLines.empty()) << c.name;
    }
}

TEST(PasteParser, PasteAppendsAfterTheLoadedRows) {
    RecipientList list;
    list.AddRecipient(12, K("기존"), "010-9999-0000", "", "", "");
    const PasteResult r = PasteRecipients(QStringLiteral("010-9999-0000\n010-9999-0001\n"), list);
    EXPECT_EQ(r.firstNewRow, 1);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"12|기존|01099990000|||v", "0||01099990001|||v"}));
    const PasteResult none = PasteRecipients(QStringLiteral("010-9999-0000"), list);
    EXPECT_EQ(none.firstNewRow, -1) << "a duplicate adds no row";
}

TEST(PasteParser, CharactersATextMessageCannotCarryAreReported) {
    RecipientList list;
    const QString text = QString::fromUtf8("김하나\t010-1111-2222\t반가워요 😀\r\n"
                                           "이둘\t010-2222-3333\t\r\n"
                                           "🎉🎉\r\n"
                                           "박셋\t010-3333-4444\t\t\t😀 뒤는 버림\r\n"
                                           "최넷\t010-4444-5555\t안녕 ※★\r\n");
    const PasteResult r = PasteRecipients(text, list);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"0|이둘|01022223333|||v", "0|박셋|01033334444|||v",
                                                     "0|최넷|01044445555|안녕 ※★||v"}));
    EXPECT_EQ(r.total, 5);
    EXPECT_EQ(r.added, 3);
    EXPECT_EQ(r.unencodableLines, std::vector<int>{1});
    EXPECT_EQ(
        Cp949ToUtf8(PasteSummaryMessage(r)),
        "붙여넣기 입력데이터 총 5 건중 3 건을 전송대상에 추가했습니다.\n\n전화번호 없는 1 건은 추가되지 "
        "않습니다."
        "\n\n문자메시지로 보낼 수 없는 글자(이모지 등)가 들어 있는 1 건은 추가하지 않았습니다.\n(1번째 줄)");

    // A NUL inside the text does not cut it short: the line is reported and the rest is read.
    RecipientList more;
    const PasteResult n = PasteRecipients(QStringLiteral("a,010-5555-0001\nb") + QChar(u'\0') +
                                              QStringLiteral(",010-5555-0002\nc,010-5555-0003"),
                                          more);
    EXPECT_EQ(more.size(), 2u);
    EXPECT_EQ(n.unencodableLines, std::vector<int>{2});
}

TEST(PasteParser, Messages) {
    const struct {
        PasteResult result;
        const char* text;
    } cases[] = {
        {{3, 3, 0, {}}, "붙여넣기 입력데이터 3 건을 전송대상에 추가했습니다."},
        {{1234, 1234, 0, {}}, "붙여넣기 입력데이터 1,234 건을 전송대상에 추가했습니다."},
        {{2500, 1200, 0, {}},
         "붙여넣기 입력데이터 총 2,500 건중 1,200 건을 전송대상에 추가했습니다.\n\n전화번호 없는 1,300 건은 "
         "추가되지 "
         "않습니다."},
        {{14, 2, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
         "붙여넣기 입력데이터 총 14 건중 2 건을 전송대상에 추가했습니다.\n\n문자메시지로 보낼 수 없는 "
         "글자(이모지 "
         "등)가 들어 있는 12 건은 추가하지 않았습니다.\n(1, 2, 3, 4, 5, 6, 7, 8, 9, 10번째 줄 외 2줄)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cp949ToUtf8(PasteSummaryMessage(c.result)), c.text);
}

} // namespace
