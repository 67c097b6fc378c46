// The recipient batches of a send: what each body carries, in which order, and that a send that
// stops halfway leaves nothing running.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "members/recipientlist.h"
#include "sms/listbatches.h"
#include "text/codec.h"

using zmsg::K;

namespace {

Recipient Row(const std::string& phone, bool sms = true) {
    Recipient r;
    r.code = std::stoi(phone) % 100;
    r.phone = phone;
    r.name = K("홍길동");
    r.text3 = "1,200";
    r.text4 = "x}{y|z";
    r.bySms = sms;
    r.byApp = !sms;
    return r;
}

std::vector<ListBatch> All(ListBatches& batches) {
    std::vector<ListBatch> out;
    while (auto b = batches.Next())
        out.push_back(std::move(*b));
    return out;
}

TEST(ListBatches, BatchesCarryTheSmsRowsInOrder) {
    // Seven rows: an app row, an unchecked row and five SMS rows, in batches of two.
    std::vector<Recipient> rows = {Row("0101"), Row("0102", false), Row("0103"), Row("0104"),
                                   Row("0105"), Row("0106"),        Row("0107")};
    rows[3].checked = false;
    ListBatches batches(rows, "work=SMSLIST&mart=7&ss=9&seq=", 2, ListFields{});
    const std::vector<ListBatch> got = All(batches);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].body, "work=SMSLIST&mart=7&ss=9&seq=1&list=}{0101}{0103");
    EXPECT_EQ(got[1].body, "work=SMSLIST&mart=7&ss=9&seq=2&list=}{0105}{0106");
    EXPECT_EQ(got[2].body, "work=SMSLIST&mart=7&ss=9&seq=3&list=}{0107");
    EXPECT_EQ(got[0].count, 2);
    EXPECT_EQ(got[2].count, 1);
    // The progress reaches the row that closed each batch, and the end of the list at the last.
    EXPECT_EQ(got[0].rowEnd, 3u);
    EXPECT_EQ(got[1].rowEnd, 6u);
    EXPECT_EQ(got[2].rowEnd, 7u);
    EXPECT_FALSE(batches.Next()); // and stays ended
    // The same rows are who the state file records, with their codes.
    const auto sent = batches.Recipients();
    ASSERT_TRUE(sent);
    ASSERT_EQ(sent->size(), 5u);
    EXPECT_EQ((*sent)[0].phone, "0101");
    EXPECT_EQ((*sent)[1].phone, "0103");
    EXPECT_EQ((*sent)[4].phone, "0107");
    EXPECT_EQ((*sent)[4].ref, 7);

    // A batch size below one still sends, one recipient a batch.
    ListBatches single(rows, "p", 0, ListFields{});
    EXPECT_EQ(All(single).size(), 5u);

    // Nobody to send to: no batch at all.
    const std::vector<Recipient> none = {Row("0101", false)};
    ListBatches empty(none, "p", 100, ListFields{});
    EXPECT_FALSE(empty.Next());
}

TEST(ListBatches, MergedFieldsAreEscapedAndOnlyTheUsedOnesTravel) {
    const std::vector<Recipient> rows = {Row("01012345678")};
    ListFields fields;
    fields.merge = true;
    fields.use1 = true;
    fields.use4 = true;
    ListBatches batches(rows, "p", 10, fields);
    const std::vector<ListBatch> got = All(batches);
    ASSERT_EQ(got.size(), 1u);
    // Field 3 is not in the message: it travels empty. Field 4's separators are escaped like field 1.
    EXPECT_EQ(got[0].body,
              "p1&list=}{01012345678|" + GetCellForPost(K("홍길동")) + "||" + GetCellForPost("x}{y|z"));
    EXPECT_EQ(got[0].body.find("}{y"), std::string::npos);
}

TEST(ListBatches, StoppingHalfwayEndsTheBuilder) {
    // The send gives up after the first batch, while the builder may still be going: nothing more is
    // handed out, the state file gets no list, and nothing is left running (a run hangs if it is).
    std::vector<Recipient> rows(5000, Row("01000000000"));
    for (int round = 0; round < 20; ++round) {
        ListBatches batches(rows, "p", 10, ListFields{});
        ASSERT_TRUE(batches.Next());
        batches.Stop();
        EXPECT_FALSE(batches.Next());
        EXPECT_FALSE(batches.Recipients());
    }
    for (int round = 0; round < 20; ++round) {
        ListBatches batches(rows, "p", 10, ListFields{});
        ASSERT_TRUE(batches.Next()); // dropped with the rest
    }
}

} // namespace
