// Delivery results as the store sees them after a real send through the simulated center: every
// recipient's result in the history (the first of a reply too), the members' failure stars and their
// cap, which sends are asked (too recent, reserved, beyond two months, cancelled), the one-run lock
// and two runs that meet anyway, and a rerun after any fault applying each result exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "center/send/sendstate.h"
#include "frame/moduleapp.h"
#include "results/resultreceiver.h"
#include "results/runlock.h"
#include "sim/faultplan.h"
#include "tests/sms/sendfixture.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::Fault;
using zmsg::sim::FaultKind;

namespace {

constexpr int kRecipients = 120;

class ReceiptTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }

    // A send of n members, made two days ago.
    int SendAndAge(int n, int days = 2) {
        const SmsSendResult r = m_f.Send(m_f.Input(n));
        EXPECT_EQ(r.outcome, SmsSendOutcome::Sent);
        Age(r.localCode, days * 24 * 3600);
        m_f.boxes().clear();
        return r.localCode;
    }
    void Age(int localCode, int seconds) {
        SetTime(localCode, "ss_idate", QDateTime::currentDateTime().addSecs(-seconds));
    }
    void SetTime(int localCode, const char* column, const QDateTime& when) {
        const std::string text = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString();
        ASSERT_EQ(m_f.db().ExecuteSQL(("UPDATE smssend SET " + std::string(column) + "='" + text +
                                       "' WHERE ss_code=" + std::to_string(localCode))
                                          .c_str()),
                  0);
    }
    std::string LockPath() const { return m_f.hostDir() + CResultReceiver::kLockName + ".lock"; }
    int Receive(int ssCode = 0) {
        CResultReceiver r(&m_f.db(), ssCode);
        return r.Run();
    }
    SendFixture m_f;
};

TEST_F(ReceiptTest, ResultsReachHistoryAndMembers) {
    ASSERT_TRUE(m_f.NewStore(kRecipients));
    const int code = SendAndAge(kRecipients);
    const int recent = m_f.Send(m_f.Input(5)).localCode; // three hours old: not asked yet
    Age(recent, 3 * 3600);
    m_f.boxes().clear();

    {
        CResultReceiver run(&m_f.db(), 0);
        EXPECT_EQ(run.Run(), 1);
        EXPECT_TRUE(m_f.boxes().texts().empty());
        // What the run did, as the clerk and cron read it: one send asked, its results written, the
        // failures starred, and the recent send still waiting.
        ASSERT_TRUE(run.Summary().has_value());
        EXPECT_EQ(zmsg::Cp949ToUtf8(ReceiptSummaryText(*run.Summary(), true)),
                  "SMS 결과수신 완료: 결과를 요청한 전송 1건, 반영한 결과 120건(수신실패 12건), "
                  "실패 표시(*)한 회원 10명, 결과를 기다리는 전송 1건");
        EXPECT_EQ(zmsg::Cp949ToUtf8(ReceiptSummaryText(*run.Summary(), false)),
                  "SMS 전송결과 수신을 마쳤습니다.\n\n▶ 결과를 요청한 전송 1건\n▶ 반영한 결과 120건(수신실패 "
                  "12건)\n"
                  "▶ 실패 표시(*)한 회원 10명\n▶ 결과를 기다리는 전송 1건");
    } // the run's lock goes with it
    // The first result of the reply lands like every other one.
    EXPECT_EQ(m_f.ListResult(code, 1), 1);
    for (int i = 0; i < kRecipients; ++i)
        ASSERT_EQ(m_f.ListResult(code, i + 1), SendFixture::PhoneOf(i).back() == '7' ? 2 : 1) << i;
    EXPECT_EQ(m_f.MemberCel(8).substr(0, 4), "***0");
    EXPECT_EQ(m_f.MemberCel(18).substr(0, 4), "***0");
    EXPECT_EQ(m_f.MemberCel(12).find('*'), std::string::npos);
    EXPECT_EQ(m_f.MemberCel(28), "*" + SendFixture::PhoneOf(27));
    EXPECT_EQ(m_f.MemberCel(2), "010-1000-0001"); // delivered, untouched
    const auto history = m_f.History();
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[0].trfail, kRecipients / 10);
    EXPECT_EQ(history[1].result, 0);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 1);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULTOK"), 1);

    // Asked for by code, the recent send is refused with the time it was sent.
    m_f.boxes().clear();
    EXPECT_EQ(Receive(recent), 0);
    ASSERT_EQ(m_f.boxes().texts().size(), 1u);
    EXPECT_EQ(m_f.boxes().texts()[0].rfind("전송후 24시간이 경과되지 않았습니다.(", 0), 0u);
    // Asked again by code, a send already received is fetched again but members are not touched.
    m_f.boxes().clear();
    EXPECT_EQ(Receive(code), 1);
    EXPECT_EQ(m_f.MemberCel(28), "*" + SendFixture::PhoneOf(27));
}

TEST_F(ReceiptTest, CancelledSendsAndOtherTargets) {
    ASSERT_TRUE(m_f.NewStore(30));
    SmsSendInput staff = m_f.Input(20);
    staff.targetType = 1;
    const SmsSendResult r = m_f.Send(staff);
    Age(r.localCode, 2 * 24 * 3600);
    const int cancelled = SendAndAge(10);
    ASSERT_TRUE(m_f.fx().sim().Center().CancelSend(5002));
    EXPECT_EQ(Receive(), 1);
    const auto history = m_f.History();
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[1].result, 9);
    EXPECT_EQ(m_f.ListResult(cancelled, 1), 0);
    EXPECT_EQ(m_f.MemberCel(8), "**" + SendFixture::PhoneOf(7)); // target 1: members never touched
}

// Whatever the center's reply holds, only "digits:number" items reach the history, trimmed.
TEST_F(ReceiptTest, MalformedItemsAreSkipped) {
    ASSERT_TRUE(m_f.NewStore(10));
    const int code = SendAndAge(10);
    Fault raw;
    raw.verb = "SMSRESULT";
    raw.kind = FaultKind::Raw;
    raw.body = "1:" + SendFixture::PhoneOf(0) + ":2#" + SendFixture::PhoneOf(1) + "' OR '1'='1:2#" +
               SendFixture::PhoneOf(2) + ":x#0101:2#" + SendFixture::PhoneOf(3) +
               ":2; DELETE FROM smslist#  " + SendFixture::PhoneOf(4) + ":1 \r\n";
    m_f.fx().sim().Faults().Arm(raw);
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(m_f.ListResult(code, 1), 2);
    for (int seq = 2; seq <= 4; ++seq)
        EXPECT_EQ(m_f.ListResult(code, seq), 0) << seq;
    EXPECT_EQ(m_f.ListResult(code, 5), 1);
    ASSERT_EQ(m_f.History().size(), 1u);
    EXPECT_EQ(m_f.History()[0].listRows, 10);
    EXPECT_EQ(m_f.History()[0].trfail, 1);
}

// The lock lives beside the journal, whatever the login's environment says, so a run from cron and
// one from a window meet on it. A lock file that cannot be used is reported, and the run goes on:
// each send's own guard keeps it from applying anything twice.
TEST_F(ReceiptTest, OneLockBesideTheJournal) {
    ASSERT_TRUE(m_f.NewStore(10));
    SendAndAge(10);
    ASSERT_EQ(RunLock::PathFor(CResultReceiver::kLockName), LockPath());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RunLock::PathFor(CResultReceiver::kLockName), LockPath());
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_f.folders().runtime()));
    {
        RunLock other;
        ASSERT_EQ(other.TryAcquire(CResultReceiver::kLockName), RunLock::Outcome::Held);
        EXPECT_EQ(Receive(), 0);
        EXPECT_TRUE(m_f.boxes().texts().empty());
        EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 0);
    }
    EXPECT_TRUE(QDir(QString::fromStdString(m_f.folders().runtime())).isEmpty());

    const QString lock = QString::fromStdString(LockPath());
    const std::string elsewhere = m_f.storePath() + ".elsewhere";
    struct Unusable {
        const char* name;
        std::function<bool()> plant;
    };
    const std::vector<Unusable> cases = {
        {"a folder in its place", [&] { return QFile::remove(lock) && QDir().mkdir(lock); }},
        {"a link to a file elsewhere",
         [&] {
             return QDir(lock).removeRecursively() &&
                    QFile(QString::fromStdString(elsewhere)).open(QIODevice::WriteOnly) &&
                    ::symlink(elsewhere.c_str(), LockPath().c_str()) == 0;
         }},
        // Only root can give a file away; as anyone else the case has nothing to plant.
        {"another user's file",
         [&] {
             QFile::remove(lock);
             return ::getuid() != 0 || (QFile(lock).open(QIODevice::WriteOnly) &&
                                        ::chown(LockPath().c_str(), 65534, 65534) == 0);
         }},
    };
    for (const Unusable& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_f.NewStore(10));
        SendAndAge(10);
        ASSERT_TRUE(c.plant());
        EXPECT_EQ(Receive(), 1);
        if (::getuid() == 0 || std::string(c.name) != "another user's file") {
            ASSERT_EQ(m_f.boxes().texts().size(), 1u);
            EXPECT_EQ(m_f.boxes().texts()[0].rfind(
                          "결과수신 잠금파일을 사용할 수 없어 잠금 없이 진행합니다.(" + LockPath() + ": ", 0),
                      0u)
                << m_f.boxes().texts()[0];
        }
        EXPECT_EQ(m_f.History()[0].result, 1);
        EXPECT_EQ(m_f.MemberCel(8), "***" + SendFixture::PhoneOf(7));
    }
    QFile::remove(lock);

    // No folder to put it in at all: said, and the run goes on.
    ASSERT_TRUE(m_f.NewStore(10));
    SendAndAge(10);
    const std::string host = g_strHostDir;
    g_strHostDir = host + "missing/";
    qputenv("XDG_STATE_HOME", "/dev/null/state");
    EXPECT_EQ(Receive(), 1);
    g_strHostDir = host;
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_f.folders().state()));
    EXPECT_EQ(m_f.boxes().texts(),
              std::vector<std::string>{
                  "결과수신 잠금파일을 사용할 수 없어 잠금 없이 진행합니다.(no writable state folder)"});
    EXPECT_EQ(m_f.History()[0].result, 1);
}

// Two runs that meet on a send (here: the lock could not be made, and a second run goes through the
// whole receipt while the first waits to ask the center) apply its stars once, whether the center
// hands the results out again or has nothing more to give.
TEST_F(ReceiptTest, RunsThatMeetApplyASendOnce) {
    for (const bool again : {false, true}) {
        SCOPED_TRACE(again ? "the center hands the results out again" : "nothing more from the center");
        ASSERT_TRUE(m_f.NewStore(30));
        const int code = SendAndAge(30);
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(LockPath())));
        if (again) {
            Fault raw;
            raw.verb = "SMSRESULT";
            raw.nth = 2;
            raw.kind = FaultKind::Raw;
            raw.body = "1:";
            for (int i = 0; i < 30; ++i)
                raw.body += (i ? "#" : "") + SendFixture::PhoneOf(i) + (i % 10 == 7 ? ":2" : ":1");
            m_f.fx().sim().Faults().Arm(raw);
        }
        int other = -1;
        ProgressHooks progress;
        progress.show = [&](bool, const std::string& text) {
            if (other < 0 && text.find(K("건의 전송결과 수신중...")) != std::string::npos) {
                CSQLDirect db;
                EXPECT_TRUE(db.Open("sqlite:" + m_f.storePath()));
                CResultReceiver r(&db, 0);
                other = r.Run();
            }
        };
        CResultReceiver first(&m_f.db(), 0);
        EXPECT_EQ(first.Run(progress), 1);
        EXPECT_EQ(other, 1);
        EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 2);
        EXPECT_EQ(m_f.MemberCel(8), "***" + SendFixture::PhoneOf(7)); // had two: one more, not two
        EXPECT_EQ(m_f.MemberCel(28), "*" + SendFixture::PhoneOf(27));
        EXPECT_EQ(m_f.MemberCel(18), "***" + SendFixture::PhoneOf(17)); // the cap of three
        EXPECT_EQ(m_f.ListResult(code, 28), 2);
        const auto history = m_f.History();
        EXPECT_EQ(history[0].result, 1);
        EXPECT_EQ(history[0].trfail, 3);
        ASSERT_TRUE(QDir().rmdir(QString::fromStdString(LockPath())));
    }
}

// A reserved send is asked for once its reservation is more than a day old, not before; asked for
// by its code before that, the reservation time is shown.
TEST_F(ReceiptTest, ReservedSendsWhenDue) {
    ASSERT_TRUE(m_f.NewStore(20));
    const int due = SendAndAge(10, 3);
    const int early = SendAndAge(10, 3);
    for (const int code : {due, early})
        ASSERT_TRUE(m_f.Exec("UPDATE smssend SET ss_reserve=1 WHERE ss_code=" + std::to_string(code)));
    const QDateTime now = QDateTime::currentDateTime();
    SetTime(due, "ss_reservedate", now.addSecs(-25 * 3600));
    SetTime(early, "ss_reservedate", now.addSecs(-3 * 3600));

    EXPECT_EQ(Receive(), 1);
    EXPECT_TRUE(m_f.boxes().texts().empty());
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 1);
    auto history = m_f.History();
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[1].result, 0);
    EXPECT_EQ(m_f.ListResult(due, 8), 2);
    EXPECT_EQ(m_f.ListResult(early, 8), 0);

    EXPECT_EQ(Receive(early), 0);
    ASSERT_EQ(m_f.boxes().texts().size(), 1u);
    EXPECT_EQ(m_f.boxes().texts()[0].rfind(
                  "예약전송시각에서 24시간이 경과되지 않았습니다.(" +
                      now.addSecs(-3 * 3600).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString(),
                  0),
              0u)
        << m_f.boxes().texts()[0];
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 1);
    EXPECT_EQ(m_f.History()[1].result, 0);
}

// Results are asked for up to two months after the send: a day inside is asked, a day beyond is not.
TEST_F(ReceiptTest, TwoMonthsAndNoMore) {
    ASSERT_TRUE(m_f.NewStore(20));
    const int inside = SendAndAge(10);
    const int beyond = SendAndAge(10);
    const QDateTime twoMonths = QDateTime::currentDateTime().addMonths(-2);
    SetTime(inside, "ss_idate", twoMonths.addDays(1));
    SetTime(beyond, "ss_idate", twoMonths.addDays(-1));
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSRESULT"), 1);
    const auto history = m_f.History();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[1].result, 0);
    EXPECT_EQ(m_f.ListResult(inside, 8), 2);
    EXPECT_EQ(m_f.ListResult(beyond, 8), 0);
}

// A failure star goes in front of a number only while the stored text stays within 20 characters,
// the width of mem_cel on the store's server (a trigger here refuses a longer text, as that column
// would): numbers written with 17 to 20 characters, blanks and all.
TEST_F(ReceiptTest, StarsStayWithinTwentyCharacters) {
    ASSERT_TRUE(m_f.NewStore(50));
    struct Cel {
        int member; // code; its number ends in 7 and fails
        std::string stored;
        std::string after;
    };
    auto spaced = [](int i, int blanks) {
        const std::string p = SendFixture::PhoneOf(i);
        return p.substr(0, 3) + " -" + std::string(static_cast<size_t>(blanks), ' ') + p.substr(3, 4) +
               " - " + p.substr(7);
    };
    const std::vector<Cel> cels = {
        {8, spaced(7, 1), "*" + spaced(7, 1)},          // 17 characters
        {18, spaced(17, 2), "*" + spaced(17, 2)},       // 18
        {28, spaced(27, 3), "*" + spaced(27, 3)},       // 19
        {38, spaced(37, 4), spaced(37, 4)},             // 20: no room
        {48, "*" + spaced(47, 3), "*" + spaced(47, 3)}, // 20 with its star
    };
    for (const Cel& c : cels) {
        ASSERT_EQ(c.stored.size(), c.member == 8 ? 17u : c.member == 18 ? 18u : c.member == 28 ? 19u : 20u);
        ASSERT_TRUE(m_f.Exec("UPDATE member SET mem_cel='" + c.stored +
                             "', mem_key4=-1 WHERE mem_code=" + std::to_string(c.member)));
    }
    ASSERT_TRUE(
        m_f.Exec("CREATE TRIGGER cel_width BEFORE UPDATE OF mem_cel ON member "
                 "WHEN length(NEW.mem_cel) > 20 BEGIN SELECT RAISE(ABORT, 'String or binary data would "
                 "be truncated'); END"));
    SendAndAge(50);
    EXPECT_EQ(Receive(), 1);
    EXPECT_TRUE(m_f.boxes().texts().empty());
    for (const Cel& c : cels)
        EXPECT_EQ(m_f.MemberCel(c.member), c.after) << c.member;
    EXPECT_EQ(m_f.History()[0].result, 1);
}

TEST_F(ReceiptTest, UnwrittenHistoryIsWrittenBeforeResultsAreAsked) {
    ASSERT_TRUE(m_f.NewStore(20));
    ASSERT_TRUE(m_f.Exec("ALTER TABLE smslist RENAME TO smslist_away"));
    ASSERT_TRUE(m_f.Send(m_f.Input(20)).unrecorded);
    ASSERT_TRUE(m_f.Exec("ALTER TABLE smslist_away RENAME TO smslist"));
    EXPECT_EQ(Receive(), 1);
    const auto history = m_f.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].center, 5001);
    EXPECT_EQ(history[0].listRows, 20);
    SendState state(SendStatePath());
    state.Load();
    EXPECT_TRUE(state.empty());
}

TEST_F(ReceiptTest, RerunAfterAnyFaultAppliesEachResultOnce) {
    for (const char* verb : {"SMSRESULT", "SMSRESULTOK"}) {
        for (const WalkFaultInfo& wf : WalkFaults()) {
            // The confirmation waits the library default: a late one is covered by close-after.
            if (wf.kind == WalkFault::Refused ||
                (std::string(verb) == "SMSRESULTOK" && wf.kind == WalkFault::Late))
                continue;
            SCOPED_TRACE(std::string(verb) + " " + wf.name);
            const int delayMs = wf.kind == WalkFault::Late ? LateMsFor(120000) : 0;
            ASSERT_TRUE(m_f.NewStore(kRecipients));
            const int code = SendAndAge(kRecipients);
            Fault f;
            f.verb = verb;
            f.kind = wf.armed;
            f.delayMs = delayMs;
            f.reason = "점검중";
            m_f.fx().sim().Faults().Arm(f);
            Receive();
            m_f.fx().sim().Faults().Clear();
            if (delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            EXPECT_EQ(Receive(), 1);
            EXPECT_EQ(Receive(), 1); // a third run finds nothing more to do
            for (int i = 0; i < kRecipients; ++i)
                ASSERT_EQ(m_f.ListResult(code, i + 1), SendFixture::PhoneOf(i).back() == '7' ? 2 : 1) << i;
            const auto history = m_f.History();
            ASSERT_EQ(history.size(), 1u);
            EXPECT_EQ(history[0].result, 1);
            EXPECT_EQ(history[0].trfail, kRecipients / 10);
            EXPECT_EQ(m_f.MemberCel(8).substr(0, 4), "***0");
            EXPECT_EQ(m_f.MemberCel(18).substr(0, 4), "***0");
            EXPECT_EQ(m_f.MemberCel(12).find('*'), std::string::npos);
            EXPECT_EQ(m_f.MemberCel(28), "*" + SendFixture::PhoneOf(27));
            EXPECT_EQ(m_f.MemberCel(108).substr(0, 4), "***0");
        }
    }
}

} // namespace
