// An app message of 250 checked members with an uploaded picture, with every request failing in every
// way the network or the center can fail, then sent again: afterwards the user was told the right
// thing, no message was completed twice, no recipient is listed twice in a completed message, every
// message has at most one picture, the history holds the completed message exactly once (and nothing
// of a message the center did not complete), and the rows stay checked until the message went out.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include <QFile>
#include <QTemporaryDir>

#include "center/requestclient.h"
#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "sim/faultplan.h"
#include "tests/smms/smmssendcheck.h"
#include "tests/smms/testimages.h"
#include "text/codec.h"

using zmsg::sim::FaultKind;

namespace {

constexpr int kRecipients = 250;

const std::vector<WalkPosition> kPositions = {{"SMMSBEGIN", 1}, {"UPLOAD", 1},   {"SMMSTRAN", 1},
                                              {"SMMSTRAN", 2},  {"SMMSTRAN", 3}, {"SMMSEND", 1},
                                              {"SMMSEND", 2},   {"SMMSEND", 3}};

// Longer than the request's scaled time-out.
int LateMs(const std::string& verb) {
    const int timeout = verb == "SMMSEND"    ? 120000
                        : verb == "SMMSTRAN" ? 60000
                        : verb == "UPLOAD"   ? zmsg::kFileTimeoutMs
                                             : zmsg::kDefaultRequestTimeoutMs;
    return static_cast<int>(timeout * kTestTimeoutScale) + 400;
}

class SmmsFaultWalk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_f.ok());
        ASSERT_TRUE(m_dir.isValid());
        m_picture = m_dir.filePath(QStringLiteral("Alder_SMMS_Upload_walk.jpg")).toStdString();
        QFile f(QString::fromStdString(m_picture));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(testimages::Jpeg(testimages::Quadrants(40, 30)));
    }

    SmmsSendInput Input() const {
        SmmsSendInput in = SampleSmmsSend(kRecipients);
        in.body = zmsg::K("{회원명}님, 이번 주 할인 안내");
        in.imagePath = m_picture;
        return in;
    }

    // What must hold whatever happened.
    void CheckInvariants(const char* when) {
        SCOPED_TRACE(when);
        int completed = 0;
        std::map<long long, const zmsg::sim::SmmsMessage*> byMl;
        const auto messages = AppMessages(m_f);
        for (const auto& m : messages) {
            byMl[m.code] = &m;
            EXPECT_LE(m.completions, 1) << "message completed twice";
            EXPECT_LE(m.pictures, 1) << "a picture sent twice";
            completed += m.completions;
            if (m.completions == 1) {
                EXPECT_EQ(m.pictures, 1);
                for (const auto& [phone, times] : zmsg::sim::SmmsState::ListedPhones(m))
                    EXPECT_EQ(times, 1) << phone << " listed twice";
            }
        }
        EXPECT_LE(completed, 1) << "the same message went out twice";
        for (const AppHistory& h : AppHistoryOf(m_f)) {
            EXPECT_EQ(h.listRows, kRecipients) << "history without all its recipients";
            const auto it = byMl.find(h.ml);
            EXPECT_TRUE(it != byMl.end() && it->second->completions == 1)
                << "history of a message the center did not complete";
        }
    }
    int Completed() {
        int n = 0;
        for (const auto& m : AppMessages(m_f))
            n += m.completions;
        return n;
    }

    SendFixture m_f;
    QTemporaryDir m_dir;
    std::string m_picture;
};

SmmsSendOutcome ExpectedOutcome(const WalkPosition& at, const WalkFaultInfo& k) {
    if (std::string(at.verb) != "SMMSEND")
        return SmmsSendOutcome::Failed;
    if (k.kind == WalkFault::Fail) // a refusal: definite only while no try before went unanswered
        return at.nth == 1 ? SmmsSendOutcome::Failed : SmmsSendOutcome::Disputed;
    if (k.answered || at.nth == 3)
        return SmmsSendOutcome::Unresolved;
    return SmmsSendOutcome::Sent; // the next try completed it
}

std::string ExpectedFirstMessage(const WalkPosition& at, const WalkFaultInfo& k) {
    const std::string verb = at.verb;
    const bool noReply = !k.answered;
    if (verb == "SMMSBEGIN")
        return noReply ? "센터에 AlderS 문자 전송시작을 알릴 수 없습니다.(통신실패)"
                       : "AlderS 문자 센터전송 시작실패";
    if (verb == "UPLOAD")
        return noReply ? "AlderS 문자 이미지를 전송하지 못했습니다.(통신실패)"
                       : "AlderS 문자 이미지 전송실패";
    if (verb == "SMMSTRAN")
        return noReply ? "AlderS 문자 데이터를 센터로 보낼 수 없습니다.(통신실패)"
                       : "AlderS 문자 데이터를 센터에 기록할 수 없습니다.";
    switch (ExpectedOutcome(at, k)) {
    case SmmsSendOutcome::Disputed:
        return "완료응답을 받지 못했던 AlderS 문자 전송(250건)의 완료 요청을 센터가 거절했습니다.\n\n☞ ";
    case SmmsSendOutcome::Sent:
        return "250명에게 AlderS 문자를 전송했습니다.";
    default:
        break;
    }
    if (noReply)
        return "센터에 AlderS 문자 전송완료 응답을 수신할 수 없습니다.(통신실패)\n\n콜센터로 "
               "연락바랍니다.(☎ 1600-0000)";
    return "센터에서 AlderS 문자 전송을 완료할 수 없습니다.";
}

TEST_F(SmmsFaultWalk, EveryRequestEveryFaultThenASecondPress) {
    FaultWalk walk;
    walk.positions = kPositions;
    walk.beginVerb = "SMMSBEGIN";
    walk.endVerb = "SMMSEND";
    walk.path = "/SMMS/AppRequest.ashx";
    walk.recipients = kRecipients;
    walk.lateMs = LateMs;
    m_f.Walk(walk, [&](const WalkPosition& at, const WalkFaultInfo& k) {
        const SmmsSendInput input = Input();
        const SmmsSendResult first = SendSmms(m_f, input);
        m_f.PointAt(m_f.fx().sim().BaseUrl());
        const std::string verb = at.verb;
        const SmmsSendOutcome expected = ExpectedOutcome(at, k);

        EXPECT_EQ(first.outcome, expected);
        ASSERT_FALSE(m_f.boxes().texts().empty());
        EXPECT_EQ(m_f.boxes().texts().at(0).rfind(ExpectedFirstMessage(at, k), 0), 0u)
            << m_f.boxes().texts().at(0);
        if (verb == "SMMSTRAN") {
            EXPECT_EQ(m_f.boxes().texts().back(),
                      "AlderS 문자 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 반복되면 "
                      "콜센터로 문의해 주십시오.");
        }
        auto& requests = m_f.fx().sim().Requests();
        if (verb == "SMMSTRAN") {
            EXPECT_EQ(requests.Count("SMMSTRAN"), at.nth);
        }
        if (verb == "SMMSEND" && !k.answered && at.nth < 3) {
            EXPECT_EQ(requests.Count("SMMSEND"), at.nth + 1);
        }
        if (expected == SmmsSendOutcome::Sent) {
            EXPECT_EQ(first.rowsSent.size(), static_cast<size_t>(kRecipients));
            EXPECT_EQ(AppHistoryOf(m_f).size(), 1u);
        } else {
            EXPECT_TRUE(first.rowsSent.empty()) << "rows unchecked before the message went out";
            EXPECT_TRUE(AppHistoryOf(m_f).empty());
        }
        EXPECT_EQ(first.unsettled.has_value(),
                  expected == SmmsSendOutcome::Unresolved || expected == SmmsSendOutcome::Disputed);
        CheckInvariants("after the fault");

        // The user presses again (the window hands back what it kept). A refused end waits for
        // the clerk, who answers by the center's list of sent messages.
        m_f.fx().sim().Faults().Clear();
        if (k.kind == WalkFault::Late)
            std::this_thread::sleep_for(std::chrono::milliseconds(LateMs(at.verb)));
        SmmsSendResult last = first;
        int presses = 0;
        while (last.outcome != SmmsSendOutcome::Sent && last.outcome != SmmsSendOutcome::PreviousCompleted &&
               presses < 3) {
            m_f.boxes().clear();
            if (last.outcome == SmmsSendOutcome::Disputed)
                m_f.boxes().setNextAnswer(Completed() == 1 ? IDYES : IDNO);
            SmmsSendInput again = input;
            again.ownUnsettled = last.unsettled;
            last = SendSmms(m_f, again);
            ++presses;
            EXPECT_TRUE(last.outcome == SmmsSendOutcome::Sent ||
                        last.outcome == SmmsSendOutcome::PreviousCompleted ||
                        last.outcome == SmmsSendOutcome::PreviousDropped)
                << static_cast<int>(last.outcome);
        }
        if (expected == SmmsSendOutcome::Unresolved) {
            EXPECT_EQ(last.outcome, SmmsSendOutcome::PreviousCompleted);
        }
        // Sent now, or found sent by the settle (the same message: its rows are left out).
        EXPECT_EQ((last.outcome == SmmsSendOutcome::Sent ? last.rowsSent : last.rowsReached).size(),
                  static_cast<size_t>(kRecipients));
        CheckInvariants("after sending again");
        EXPECT_EQ(Completed(), 1);
        const auto history = AppHistoryOf(m_f);
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].listRows, kRecipients);
        SendState state(SendStatePath());
        state.Load();
        EXPECT_TRUE(state.empty());
    });
}

// An unknown end blocks every new begin: the next press asks with the same end request, and a
// message completed behind a lost reply is recorded, not sent again.
TEST_F(SmmsFaultWalk, UnknownEndIsAskedAgainBeforeAnyNewBegin) {
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
TEST_F(SmmsFaultWalk, ReceiptSettlesTheUnknownEndAndTheWindowLearnsOfIt) {
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
TEST_F(SmmsFaultWalk, CompletedButUnrecordedIsWrittenLater) {
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
