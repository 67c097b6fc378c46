// Adding recipients: which numbers get in, which row a number keeps, and what the send is asked.
#include <gtest/gtest.h>

#include "members/recipientlist.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

TEST(RecipientList, NumbersAreCheckedByTheirDigits) {
    const struct {
        const char* name;
        const char* phone;
        int result;
        const char* stored;
    } cases[] = {
        {"dashed mobile", "010-1234-5678", RecipientList::Added, "01012345678"},
        {"nine digits", "010123456", RecipientList::Added, "010123456"},
        {"eight digits", "01012345", RecipientList::BadFormat, ""},
        {"fourteen digits", "01612345678901", RecipientList::Added, "01612345678901"},
        {"fifteen digits", "016123456789012", RecipientList::BadFormat, ""},
        {"landline", "02-1234-5678", RecipientList::BadFormat, ""},
        {"no leading zero", "1012345678", RecipientList::BadFormat, ""},
        {"three stars", "***011-222-3333", RecipientList::AddedUnchecked, "0112223333"},
        {"two stars", "**017-222-3333", RecipientList::Added, "0172223333"},
        {"blanks and brackets", " (019) 333 4444 ", RecipientList::Added, "0193334444"},
        {"masked pair left", "010-12xx-5678", RecipientList::Added, "010125678"},
        {"masked short", "010-1xx-5678", RecipientList::BadFormat, ""},
        {"empty", "", RecipientList::BadFormat, ""},
    };
    for (const auto& c : cases) {
        RecipientList list;
        EXPECT_EQ(list.AddRecipient(7, "n", c.phone, "a", "b", ""), c.result) << c.name;
        if (c.result == RecipientList::BadFormat) {
            EXPECT_TRUE(list.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(list.size(), 1u) << c.name;
        EXPECT_EQ(list[0].phone, c.stored) << c.name;
        const bool three = c.result == RecipientList::AddedUnchecked;
        EXPECT_EQ(list[0].checked, !three) << c.name;
        EXPECT_EQ(Cp949ToUtf8(list[0].remark), three ? "3회수신실패" : "") << c.name;
    }
}

TEST(RecipientList, TheFirstRowOfANumberStays) {
    RecipientList list;
    EXPECT_EQ(list.AddRecipient(1, K("김하나"), "010-1111-2222", "1,000", "2024-01-02 10:00", ""), 0);
    EXPECT_EQ(list.AddRecipient(2, K("이둘"), "010-3333-4444", "", "", ""), 0);
    // The same digits written otherwise, with stars too: still the same number.
    EXPECT_EQ(list.AddRecipient(3, K("박셋"), "***01011112222", "", "", ""), RecipientList::Duplicate);
    EXPECT_EQ(list.AddRecipient(4, K("최넷"), "010 1111 2222", "", "", ""), RecipientList::Duplicate);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].code, 1);
    EXPECT_EQ(Cp949ToUtf8(list[0].name), "김하나");
    EXPECT_EQ(list.FindPhone("01011112222"), 0);
    EXPECT_EQ(list.FindPhone("01033334444"), 1);
    EXPECT_EQ(list.FindPhone("0103333444"), -1) << "exact digits only";
    EXPECT_EQ(list.FindPhone("010-3333-4444"), -1);

    // Removing rows after a send: the index follows, and a removed number may come back.
    list.AddRecipient(5, "c", "01055556666", "", "", "");
    list.RemoveRows({0});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.FindPhone("01011112222"), -1);
    EXPECT_EQ(list.FindPhone("01055556666"), 1);
    EXPECT_EQ(list.AddRecipient(6, "again", "010-1111-2222", "", "", ""), 0);
    EXPECT_EQ(list.FindPhone("01011112222"), 2);
    // Rows before the first removed one keep what they hold.
    list.RemoveRows({2});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].phone, "01033334444");
    EXPECT_EQ(list[1].name, "c");
    EXPECT_EQ(list.FindPhone("01055556666"), 1);

    list.Clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.FindPhone("01055556666"), -1);
    EXPECT_EQ(list.AddRecipient(7, "d", "01055556666", "", "", ""), 0);
}

TEST(RecipientList, AppSignalFlagRisesOnceAndStays) {
    RecipientList list;
    list.AddRecipient(1, "a", "01000000001", "", "", "2024-05-0");
    EXPECT_FALSE(list.AppSignalSeen()) << "nine characters are not a date";
    list.AddRecipient(2, "b", "0200000000", "", "", "2024-05-01 09:30");
    EXPECT_FALSE(list.AppSignalSeen()) << "a rejected row raises nothing";
    list.AddRecipient(3, "c", "01000000003", "", "", "2024-05-01");
    EXPECT_TRUE(list.AppSignalSeen());
    list.Clear();
    EXPECT_TRUE(list.AppSignalSeen()) << "the flag lives as long as the dialog";
}

TEST(RecipientList, FormatQuestionNamesTheFirstBadCheckedRow) {
    RecipientList list;
    list.AddRecipient(0, "ok", "010-1234-5678", "", "", "");
    EXPECT_EQ(list.PhoneFormatQuestion(), "");

    list.AddRecipient(0, "nine", "010123456", "", "", "");     // row 2: nine digits
    list.AddRecipient(0, "nine2", "011123456", "", "", "");    // row 3
    list.AddRecipient(0, "three", "***019123456", "", "", ""); // row 4: unchecked, not asked about
    EXPECT_EQ(Cp949ToUtf8(list.PhoneFormatQuestion()),
              "2번째 전화번호(010123456)외 1건의 전화번호가 형식이 올바르지 않습니다.\n\n계속하시겠습니까?");

    list[1].checked = false;
    EXPECT_EQ(Cp949ToUtf8(list.PhoneFormatQuestion()),
              "3번째 전화번호(011123456)가 형식이 올바르지 않습니다.\n\n계속하시겠습니까?");
    list[3].checked = true;
    EXPECT_EQ(Cp949ToUtf8(list.PhoneFormatQuestion()),
              "3번째 전화번호(011123456)외 1건의 전화번호가 형식이 올바르지 않습니다.\n\n계속하시겠습니까?");
    list.SetAllChecked(false);
    EXPECT_EQ(list.PhoneFormatQuestion(), "");
    list.SetAllChecked(true);
    EXPECT_TRUE(list[3].checked);
}

TEST(RecipientList, CellsForPostHideTheBatchSeparators) {
    const struct {
        std::string cell;
        std::string post;
    } cases[] = {
        {"abc", "abc"},
        {"a}{b|c", "a%24%40%40%24b%40%24%24%40c"},
        {"}{}{", "%24%40%40%24%24%40%40%24"},
        {"{}", "%7B%7D"},
        {K("홍길동"), "%ED%99%8D%EA%B8%B8%EB%8F%99"},
        {K("1,000 원"), "1%2C000%20%EC%9B%90"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetCellForPost(c.cell), c.post) << c.cell;
}

} // namespace
