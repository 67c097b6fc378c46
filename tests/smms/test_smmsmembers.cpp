// The app-message dialog's rules without a window: the mobile-signal filter, the body count, the
// manual add's checks.
#include <gtest/gtest.h>

#include "members/recipientlist.h"
#include "smms/smmsmembers.h"
#include "text/codec.h"

using zmsg::K;

namespace {

TEST(SmmsMembers, SignalFilterDecidesEveryCheck) {
    RecipientList list;
    ASSERT_EQ(list.AddAppRecipient(1, "a", "010-1111-2222", "", "2026-12-07 09:00", false),
              RecipientList::Added);
    ASSERT_EQ(list.AddAppRecipient(2, "b", "***010-2222-3333", "", "2026-12-01 09:00", false),
              RecipientList::AddedUnchecked);
    ASSERT_EQ(list.AddAppRecipient(3, "c", "0312345678", "", " 2026-12-04 ", false), RecipientList::Added);
    ASSERT_EQ(list.AddAppRecipient(4, "d", "010-4444-5555", "", "2026", false), RecipientList::NoApp);
    ASSERT_EQ(list.AddAppRecipient(0, "e", "010-5555-6666", "", "", true), RecipientList::Added);
    ASSERT_EQ(list.size(), 4u);

    struct Case {
        const char* limit;
        int checked;
        std::vector<bool> rows;
    };
    const Case cases[] = {
        {"", 3, {true, true, true, false}}, // "-모바일신호-": every dated row, three failures included
        {"2026-12-04", 2, {true, false, true, false}},
        {"2026-12-07", 1, {true, false, false, false}},
        {"2026-12-08", 0, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        EXPECT_EQ(ApplySmmsSignalFilter(list, c.limit), c.checked);
        EXPECT_EQ(CountChecked(list), c.checked);
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].checked, c.rows[i]) << i;
            EXPECT_EQ(list[i].appUser, c.rows[i]) << i;
        }
    }
}

TEST(SmmsMembers, BodyCountsALineBreakAsOneByte) {
    EXPECT_EQ(SmmsBodyBytes(""), 0);
    EXPECT_EQ(SmmsBodyBytes(K("가a\r\nb\nc\r")), 8); // 2 + 1 + 1 + 1 + 1 + 1 + 1
    EXPECT_EQ(SmmsCounterText(2000), "2000/2000");
    EXPECT_FALSE(SmmsBodyOver(2000));
    EXPECT_TRUE(SmmsBodyOver(2001));
}

TEST(SmmsMembers, ManualAddChecks) {
    RecipientList list;
    list.AddAppRecipient(0, "a", "010-1111-2222", "", "", true);
    EXPECT_EQ(zmsg::Cp949ToUtf8(CheckManualAdd(list, "01012345").message),
              "추가하실 전화번호를 9자리 이상, 14자리 이하로 입력해 주십시오.");
    EXPECT_FALSE(CheckManualAdd(list, "012345678901234").ok());
    const ManualAddVerdict duplicate = CheckManualAdd(list, "01011112222");
    EXPECT_EQ(zmsg::Cp949ToUtf8(duplicate.message), "전화번호가 목록상의 1행과 중복됩니다.");
    EXPECT_EQ(duplicate.duplicateRow, 1);
    EXPECT_TRUE(CheckManualAdd(list, "021234567").ok());
}

} // namespace
