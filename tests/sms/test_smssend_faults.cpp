// Every request of a send failing in every way the network or the center can fail, against a center
// that repeats its reply to a repeated end and against one that refuses it: afterwards the user was
// told the right thing, the center holds each recipient and each charge at most once, the history has
// no send the center did not end and no send without its recipients, and sending again (the clerk
// settling a refused end by what the center's history shows) completes the send exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "center/requestclient.h"
#include "center/send/sendstate.h"
#include "sim/faultplan.h"
#include "tests/sms/sendfixture.h"

using zmsg::sim::FaultKind;

namespace {

constexpr int kRecipients = 250;

const std::vector<WalkPosition> kPositions = {{"SMSBEGIN", 1}, {"SMSLIST", 1}, {"SMSLIST", 2}, {"SMSLIST", 3},
                                              {"SMSEND", 1},   {"SMSEND", 2},  {"SMSEND", 3}};

// Longer than the request's scaled time-out.
int LateMs(const std::string& verb) {
    const int timeout = verb == "SMSEND"    ? 120000
                        : verb == "SMSLIST" ? 60000
                                            : zmsg::kDefaultRequestTimeoutMs;
    return static_cast<int>(timeout * kTestTimeoutScale) + 400;
}

class SendFaultWalk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }

    // What must hold whatever happened.
    void CheckInvariants(const char* when) {
        SCOPED_TRACE(when);
        const auto center = m_f.Center();
        EXPECT_LE(center.ended, 1);
        std::set<std::string> distinct(center.phones.begin(), center.phones.end());
        EXPECT_EQ(distinct.size(), center.phones.size()) << "a recipient accepted twice";
        EXPECT_EQ(center.balance, 5000 - static_cast<double>(center.phones.size())) << "charged twice";
        for (const LocalSend& s : m_f.History()) {
            EXPECT_EQ(s.listRows, s.trcount) << "a send row without all its recipients";
            const auto t = m_f.fx().sim().Center().SmsSend(s.center);
            EXPECT_TRUE(t && t->ended) << "history of a send the center did not end";
        }
    }

    SendFixture m_f;
};

// What the first press comes to at the end; every other position fails.
SmsSendOutcome ExpectedEndOutcome(const WalkPosition& at, const WalkFaultInfo& k, bool refuseRepeat) {
    if (k.kind == WalkFault::Fail) // a refusal: definite only while no try before went unanswered
        return at.nth == 1 ? SmsSendOutcome::Failed : SmsSendOutcome::Disputed;
    if (k.answered || at.nth == 3)
        return SmsSendOutcome::Unresolved;
    // The next try: ended now, or refused when the center had ended it already.
    return refuseRepeat && k.kind == WalkFault::CloseAfter ? SmsSendOutcome::Disputed : SmsSendOutcome::Sent;
}

std::string ExpectedFirstMessage(const WalkPosition& at, const WalkFaultInfo& k, bool refuseRepeat) {
    const std::string verb = at.verb;
    const bool noReply = !k.answered;
    if (verb == "SMSBEGIN")
        return noReply ? "센터에 SMS 전송시작을 알릴 수 없습니다.(통신실패)" : "SMS 센터전송 시작실패";
    if (verb == "SMSLIST")
        return noReply ? "SMS 데이터를 센터로 보낼 수 없습니다.(통신실패)"
                       : "SMS 데이터를 센터에 기록할 수 없습니다.";
    if (noReply && at.nth == 3)
        return "센터에서 전송완료 응답을 수신할 수 없습니다.(통신실패)\n\n콜센터로 연락바랍니다.\n☎ "
               "1600-0000";
    if (ExpectedEndOutcome(at, k, refuseRepeat) == SmsSendOutcome::Disputed)
        return "완료응답을 받지 못했던 SMS 전송(250건)의 완료 요청을 센터가 거절했습니다.\n\n☞ ";
    if (noReply)
        return "▶ SMS 250 건\n";
    return "센터에서 SMS 전송을 완료할 수 없습니다.";
}

TEST_F(SendFaultWalk, EveryRequestEveryFault) {
    for (const bool refuseRepeat : {false, true}) {
        FaultWalk walk;
        // How the center answers a repeated end matters only where an end is repeated.
        for (const WalkPosition& at : kPositions)
            if (!refuseRepeat || std::string(at.verb) == "SMSEND")
                walk.positions.push_back(at);
        walk.beginVerb = "SMSBEGIN";
        walk.endVerb = "SMSEND";
        walk.path = "/ZMSG/AppRequest.ashx";
        walk.recipients = kRecipients;
        walk.lateMs = LateMs;
        walk.prepare = [&] { m_f.fx().sim().Center().SetRefuseRepeatedEnd(refuseRepeat); };
        walk.traceSuffix = refuseRepeat ? ", repeated end refused" : "";
        m_f.Walk(walk, [&](const WalkPosition& at, const WalkFaultInfo& k) {
            const SmsSendInput input = m_f.Input(kRecipients);
            const SmsSendResult first = m_f.Send(input);
            m_f.PointAt(m_f.fx().sim().BaseUrl());
            const std::string verb = at.verb;
            const bool endPosition = verb == "SMSEND";
            const bool retried = endPosition && !k.answered && at.nth < 3;
            const SmsSendOutcome endOutcome = ExpectedEndOutcome(at, k, refuseRepeat);
            const bool sentAnyway = endPosition && endOutcome == SmsSendOutcome::Sent;

            ASSERT_FALSE(first.shown.empty());
            EXPECT_EQ(m_f.boxes().texts().at(0).rfind(ExpectedFirstMessage(at, k, refuseRepeat), 0), 0u)
                << m_f.boxes().texts().at(0);
            if (verb == "SMSLIST") {
                EXPECT_EQ(m_f.boxes().texts().back(),
                          "SMS 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 "
                          "반복되면 콜센터로 문의해 주십시오.");
            }
            // No request went twice: libcurl never replayed one on a reused connection.
            auto& requests = m_f.fx().sim().Requests();
            if (verb == "SMSLIST" && k.kind != WalkFault::Refused) {
                EXPECT_EQ(requests.Count("SMSLIST"), at.nth);
            }
            if (endPosition) {
                EXPECT_EQ(requests.Count("SMSEND"), retried ? at.nth + 1 : at.nth);
            }

            if (sentAnyway) {
                EXPECT_EQ(first.outcome, SmsSendOutcome::Sent);
                EXPECT_EQ(first.rowsToRemove.size(), static_cast<size_t>(kRecipients));
                EXPECT_EQ(m_f.History().size(), 1u);
            } else {
                EXPECT_TRUE(first.rowsToRemove.empty());
                EXPECT_TRUE(m_f.History().empty());
                EXPECT_EQ(first.outcome, endPosition ? endOutcome : SmsSendOutcome::Failed);
            }
            CheckInvariants("after the fault");

            // The user sends again what is left in the list.
            m_f.fx().sim().Faults().Clear();
            if (k.kind == WalkFault::Late)
                std::this_thread::sleep_for(std::chrono::milliseconds(LateMs(at.verb)));
            // A refused end waits for the clerk, who answers by the center's sending history; a send
            // settled as not sent is sent at the press after.
            SmsSendInput again = input;
            SmsSendResult last = first;
            size_t removed = 0;
            for (int press = 0; press < 4; ++press) {
                removed += last.rowsToRemove.size();
                for (auto it = last.rowsToRemove.rbegin(); it != last.rowsToRemove.rend(); ++it)
                    again.rows.erase(again.rows.begin() + static_cast<long>(*it));
                if (again.rows.empty() || last.outcome == SmsSendOutcome::Sent)
                    break;
                m_f.boxes().clear();
                if (last.outcome == SmsSendOutcome::Disputed)
                    m_f.boxes().setNextAnswer(m_f.Center().ended == 1 ? IDYES : IDNO);
                last = m_f.Send(again);
                EXPECT_TRUE(last.outcome == SmsSendOutcome::Sent ||
                            last.outcome == SmsSendOutcome::PreviousCompleted ||
                            last.outcome == SmsSendOutcome::PreviousDropped ||
                            (refuseRepeat && last.outcome == SmsSendOutcome::Disputed))
                    << static_cast<int>(last.outcome);
            }
            EXPECT_EQ(removed, static_cast<size_t>(kRecipients));
            CheckInvariants("after sending again");
            const auto center = m_f.Center();
            EXPECT_EQ(center.ended, 1);
            EXPECT_EQ(center.phones.size(), static_cast<size_t>(kRecipients));
            const auto history = m_f.History();
            ASSERT_EQ(history.size(), 1u);
            EXPECT_EQ(history[0].listRows, kRecipients);
            SendState state(SendStatePath());
            state.Load();
            EXPECT_TRUE(state.empty());
        });
        if (HasFatalFailure())
            return;
    }
}

// An end without a reply blocks every new begin until the center answers about it; a refused
// connection or a garbled answer keeps it blocked, and so does a refusal, which after a lost reply
// proves nothing: the clerk settles it.
TEST_F(SendFaultWalk, UnresolvedEndIsSettledBeforeAnyNewBegin) {
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    for (int k = 1; k <= 3; ++k)
        m_f.Arm("SMSEND", k, FaultKind::CloseBefore);
    const SmsSendResult first = m_f.Send(m_f.Input(40));
    ASSERT_EQ(first.outcome, SmsSendOutcome::Unresolved);

    m_f.PointAt("http://127.0.0.1:1");
    const SmsSendResult refused = m_f.Send(m_f.Input(40));
    EXPECT_EQ(refused.outcome, SmsSendOutcome::Unresolved);
    m_f.PointAt(m_f.fx().sim().BaseUrl());
    m_f.Arm("SMSEND", 1, FaultKind::NoColon, 0);
    const SmsSendResult garbled = m_f.Send(m_f.Input(40));
    EXPECT_EQ(garbled.outcome, SmsSendOutcome::Unresolved);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 1);

    // The center ended it on the garbled answer: asking again records it and removes its rows.
    m_f.boxes().clear();
    SmsSendInput more = m_f.Input(60); // 20 further recipients were added meanwhile
    const SmsSendResult settled = m_f.Send(more);
    EXPECT_EQ(settled.outcome, SmsSendOutcome::PreviousCompleted);
    EXPECT_EQ(settled.rowsToRemove.size(), 40u);
    EXPECT_EQ(m_f.boxes().texts(),
              std::vector<std::string>{
                  "완료응답을 받지 못했던 이전 SMS 전송이 센터에서 완료되었습니다.(40건)\n전송된 "
                  "대상은 리스트에서 삭제합니다.\n남은 대상은 다시 전송해 주십시오."});
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 1);
    ASSERT_EQ(m_f.History().size(), 1u);
    EXPECT_EQ(m_f.History()[0].listRows, 40);

    // The end refused after its reply was lost: no new send begins until the clerk, who finds it
    // missing from the center's history, says it did not go out; the press after sends.
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    for (int k = 1; k <= 3; ++k)
        m_f.Arm("SMSEND", k, FaultKind::CloseBefore);
    ASSERT_EQ(m_f.Send(m_f.Input(30)).outcome, SmsSendOutcome::Unresolved);
    m_f.Arm("SMSEND", 1, FaultKind::Fail);
    EXPECT_EQ(m_f.Send(m_f.Input(30)).outcome, SmsSendOutcome::Disputed);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 1);
    m_f.boxes().setNextAnswer(IDNO);
    EXPECT_EQ(m_f.Send(m_f.Input(30)).outcome, SmsSendOutcome::PreviousDropped);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 1);
    const SmsSendResult fresh = m_f.Send(m_f.Input(30));
    EXPECT_EQ(fresh.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 2);
    const auto center = m_f.Center();
    EXPECT_EQ(center.ended, 1);
    EXPECT_EQ(center.open, 1);
    EXPECT_EQ(m_f.History().size(), 1u);
}

} // namespace
