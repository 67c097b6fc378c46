// An app message of 250 checked members with an uploaded picture whose end went unanswered or whose
// history could not be written: settled by the next press or the receipt, never sent twice. Every
// fault at every request is walked in tests/center/test_sendfaultwalk.cpp.
#include <gtest/gtest.h>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "sim/faultplan.h"
#include "tests/smms/smmssendcheck.h"
#include "text/codec.h"

using zmsg::sim::FaultKind;

namespace {

constexpr int kRecipients = 250;

class SmmsUnsettledEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_f.ok());
        ASSERT_TRUE(m_picture.ok());
    }

    SmmsSendInput Input() const {
        SmmsSendInput in = SampleSmmsSend(kRecipients);
        in.body = zmsg::K("{회원명}님, 이번 주 할인 안내");
        in.imagePath = m_picture.path();
        return in;
    }

    int Completed() {
        int n = 0;
        for (const auto& m : AppMessages(m_f))
            n += m.completions;
        return n;
    }

    SendFixture m_f;
    UploadPicture m_picture;
};

// An unknown end blocks every new begin: the next press asks with the same end request, and a
// message completed behind a lost reply is recorded, not sent again.
TEST_F(SmmsUnsettledEnd, UnknownEndIsAskedAgainBeforeAnyNewBegin) {
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    m_f.Arm("SMMSEND", 1, FaultKind::CloseAfter);
    for (int k = 2; k <= 3; ++k)
        m_f.Arm("SMMSEND", k, FaultKind::CloseBefore);
    const SmmsSendResult first = SendSmms(m_f, Input());
    ASSERT_EQ(first.outcome, SmmsSendOutcome::Unresolved);
    ASSERT_TRUE(first.unsettled);
    EXPECT_EQ(first.unsettled->centerCode, first.ml);
    EXPECT_EQ(Completed(), 1); // the center did complete it

    // The journal keeps the 64-bit message number.
    SendState state(SendStatePath());
    state.Load();
    ASSERT_NE(state.Find(first.ml, SendKind::App), nullptr);
    EXPECT_GT(first.ml, 4294967296LL);

    m_f.PointAt("http://127.0.0.1:1");
    EXPECT_EQ(SendSmms(m_f, Input()).outcome, SmmsSendOutcome::Unresolved);
    m_f.PointAt(m_f.fx().sim().BaseUrl());
    m_f.fx().sim().Requests().Clear();
    m_f.boxes().clear();
    const SmmsSendResult settled = SendSmms(m_f, Input());
    EXPECT_EQ(settled.outcome, SmmsSendOutcome::PreviousCompleted);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSBEGIN"), 0);
    const auto ends = m_f.fx().sim().Requests().All();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(zmsg::sim::FieldOf(ends[0].fields, "ml"), std::to_string(first.ml));
    EXPECT_EQ(m_f.boxes().texts().at(0).rfind("완료응답을 받지 못했던 이전 AlderS 문자 전송이 센터에서 "
                                              "완료되었습니다.(250건)",
                                              0),
              0u);
    const auto history = AppHistoryOf(m_f);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].ml, first.ml);
    EXPECT_EQ(history[0].listRows, kRecipients);
    // The receipt would have found nothing left either.
    state.Load();
    EXPECT_TRUE(state.empty());
}

// The result receipt settles an unknown app-message end as well (before it collects results); the
// window that kept it then learns that it went out, and sends nothing again.
TEST_F(SmmsUnsettledEnd, ReceiptSettlesTheUnknownEndAndTheWindowLearnsOfIt) {
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    m_f.Arm("SMMSEND", 1, FaultKind::CloseAfter);
    for (int k = 2; k <= 3; ++k)
        m_f.Arm("SMMSEND", k, FaultKind::CloseBefore);
    const SmmsSendResult first = SendSmms(m_f, Input());
    ASSERT_EQ(first.outcome, SmmsSendOutcome::Unresolved);
    EXPECT_EQ(SettleJournal(m_f.db()), 0);
    ASSERT_EQ(AppHistoryOf(m_f).size(), 1u);
    EXPECT_EQ(AppHistoryOf(m_f)[0].ml, first.ml);

    m_f.fx().sim().Requests().Clear();
    SmmsSendInput again = Input();
    again.ownUnsettled = first.unsettled;
    const SmmsSendResult second = SendSmms(m_f, again);
    EXPECT_EQ(second.outcome, SmmsSendOutcome::PreviousCompleted);
    EXPECT_EQ(second.rowsReached.size(), static_cast<size_t>(kRecipients));
    EXPECT_TRUE(second.rowsSent.empty());
    EXPECT_FALSE(second.unsettled);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSBEGIN"), 0);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSEND"), 0);
    EXPECT_EQ(Completed(), 1);
    EXPECT_EQ(AppHistoryOf(m_f).size(), 1u);
}

// A completed message whose history cannot be written is kept and written at the next opportunity.
TEST_F(SmmsUnsettledEnd, CompletedButUnrecordedIsWrittenLater) {
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    ASSERT_TRUE(m_f.Exec("CREATE TRIGGER no_app_rows BEFORE INSERT ON smslist WHEN NEW.sl_sendtype=1 BEGIN "
                         "SELECT RAISE(ABORT, 'locked'); END"));
    const SmmsSendResult first = SendSmms(m_f, Input());
    EXPECT_EQ(first.outcome, SmmsSendOutcome::Sent);
    EXPECT_TRUE(first.unrecorded);
    EXPECT_EQ(
        m_f.boxes().texts().at(0).rfind("AlderS 문자 전송내역을 보관하기 위해 DB에 기록할 수 없습니다.", 0),
        0u);
    EXPECT_TRUE(AppHistoryOf(m_f).empty()); // nothing half-written
    SendState state(SendStatePath());
    state.Load();
    const PendingSend* kept = state.Find(first.ml, SendKind::App);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->phase, PendingSend::Phase::Unrecorded);

    ASSERT_TRUE(m_f.Exec("DROP TRIGGER no_app_rows"));
    m_f.boxes().clear();
    SmmsSendInput next = SampleSmmsSend(10);
    EXPECT_EQ(SendSmms(m_f, next).outcome, SmmsSendOutcome::Sent);
    const auto history = AppHistoryOf(m_f);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].ml, first.ml);
    EXPECT_EQ(history[0].listRows, kRecipients);
    EXPECT_EQ(history[1].listRows, 10);
    EXPECT_NE(history[0].code, history[1].code);
    state.Load();
    EXPECT_TRUE(state.empty());
}

} // namespace
