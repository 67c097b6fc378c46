// The numbers added to the SMS dialog's list by hand or pasted that stay out of it, over a real
// SQLite store: refusing members are left out, the refusal notice keeps everyone, and numbers that
// cannot be checked are all left out.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "sms/pasteparser.h"
#include "sms/ui/refusedrecipients.h"
#include "tests/optout/optoutstore.h"
#include "tests/support/scriptedmessages.h"

namespace {

constexpr int32_t kMembers = 0;
constexpr int32_t kRefusalNotice = 3;

std::vector<std::string> Phones(const RecipientList& list) {
    std::vector<std::string> out;
    for (const Recipient& r : list.rows())
        out.push_back(r.phone);
    return out;
}

class RefusedRecipientsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_store.ok());
        m_store.AddMember(1, "01055550002", 4096 | 1);
        m_store.AddMember(2, "01055550003");
        m_store.AddMember(3, "010-5555-0004", 4096);
    }
    OptOutStore m_store;
};

TEST_F(RefusedRecipientsTest, RefusingMembersAreLeftOut) {
    const RefusedRecipients refused(&m_store.db(), kMembers);
    EXPECT_EQ(refused.LeaveOut({"01055550002", "01055550003", "01055550004"}),
              (std::vector<bool>{true, false, true}));
}

TEST(RefusedRecipients, TheRefusalNoticeKeepsEveryNumber) {
    // The store is never read for the notice.
    const RefusedRecipients refused(nullptr, kRefusalNotice);
    EXPECT_EQ(refused.LeaveOut({"01055550002", "01055550003"}), (std::vector<bool>{false, false}));
}

TEST_F(RefusedRecipientsTest, PasteLosesItsRefusedRowsOnly) {
    RecipientList list;
    // A row already in the list is not the paste's to check.
    list.AddRecipient(9, "", "01055550002", {}, {}, {});
    PasteResult paste = PasteRecipients(QStringLiteral("a,010-5555-0004\nb,010-5555-0003\n"), list);
    ASSERT_EQ(paste.firstNewRow, 1);
    EXPECT_EQ(RefusedRecipients(&m_store.db(), kMembers).RemovePasted(list, paste), 1);
    EXPECT_EQ(Phones(list), (std::vector<std::string>{"01055550002", "01055550003"}));
    EXPECT_EQ(paste.firstNewRow, 1);
}

TEST_F(RefusedRecipientsTest, PasteOfRefusedRowsOnlyLeavesNoNewRow) {
    RecipientList list;
    list.AddRecipient(9, "", "01055550003", {}, {}, {});
    PasteResult paste = PasteRecipients(QStringLiteral("010-5555-0002\n010-5555-0004\n"), list);
    EXPECT_EQ(RefusedRecipients(&m_store.db(), kMembers).RemovePasted(list, paste), 2);
    EXPECT_EQ(Phones(list), (std::vector<std::string>{"01055550003"}));
    EXPECT_EQ(paste.firstNewRow, -1);
}

TEST(RefusedRecipients, PasteThatAddedNothingReadsNothing) {
    RecipientList list;
    PasteResult paste;
    EXPECT_EQ(RefusedRecipients(nullptr, kMembers).RemovePasted(list, paste), 0);
    EXPECT_EQ(paste.firstNewRow, -1);
}

TEST(RefusedRecipients, UnreadableRefusalsLeaveEveryPastedNumberOut) {
    // A store without its tables: the refusals cannot be read.
    QTemporaryDir dir;
    CSQLDirect db;
    ASSERT_TRUE(db.Open("sqlite:" + dir.filePath(QStringLiteral("empty.db")).toStdString()));
    const ScriptedMessages messages;
    RecipientList list;
    PasteResult paste = PasteRecipients(QStringLiteral("010-5555-0002\n010-5555-0003\n"), list);
    EXPECT_EQ(RefusedRecipients(&db, kMembers).RemovePasted(list, paste), 2);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"수신거부 데이타를 참조할 수 없습니다.(SQL오류)"}));
}

} // namespace
