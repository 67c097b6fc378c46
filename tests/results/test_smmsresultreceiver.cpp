// App-message delivery results as the store sees them after a message made at the simulated center
// and kept with masked numbers: every app row's result, the members' failure counter up to 3 and its
// reset by a delivery, the SMS rows of a combined send left alone, only checked center text used, a
// lock of its own, runs that meet, and a rerun after any fault at SMMSRESULT applying results once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "results/resultreceiver.h"
#include "results/runlock.h"
#include "results/smmsresultreceiver.h"
#include "sim/faultplan.h"
#include "tests/results/appsend.h"
#include "tests/sms/sendfixture.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::Fault;
using zmsg::sim::FaultKind;

namespace {

class SmmsReceiptTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }

    // Members 1..n by their numbers as the send's grid holds them (digits).
    static std::vector<std::pair<int, std::string>> Members(int n, int from = 0) {
        std::vector<std::pair<int, std::string>> out;
        for (int i = from; i < from + n; ++i)
            out.emplace_back(i + 1, SendFixture::PhoneOf(i));
        return out;
    }
    AppSend Send(const std::vector<std::pair<int, std::string>>& to, int ageSeconds = 2 * 24 * 3600,
                 bool withSms = false) {
        const auto s = MakeAppSend(m_f.db(), to, ageSeconds, withSms);
        EXPECT_TRUE(s.has_value());
        return s.value_or(AppSend{});
    }
    int Receive(int ssCode = 0) {
        CSmmsResultReceiver r(&m_f.db(), ssCode);
        return r.Run();
    }
    void SetFail(int member, const char* value) {
        ASSERT_TRUE(m_f.Exec("UPDATE member SET mem_smmsfail=" + std::string(value) +
                             " WHERE mem_code=" + std::to_string(member)));
    }
    std::vector<std::string> Column(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        EXPECT_TRUE(m_f.db().DoQuery(sql, rows));
        std::vector<std::string> out;
        for (const auto& r : rows)
            out.push_back(r.empty() ? std::string() : r[0]);
        return out;
    }
    // What a user sees of the results: app rows, SMS rows, the send's state and every counter.
    std::string Visible() {
        std::string all;
        for (const char* sql :
             {"SELECT sl_sscode || ':' || sl_seq || ':' || sl_sendtype || ':' || sl_result FROM smslist "
              "ORDER BY "
              "sl_sscode, sl_seq",
              "SELECT ss_code || ':' || ISNULL(ss_smms_result, -1) || ':' || ss_smms_fail || ':' || "
              "ISNULL(ss_result, -1) FROM smssend ORDER BY ss_code",
              "SELECT mem_code || ':' || ISNULL(mem_smmsfail, -1) || ':' || mem_cel FROM member ORDER BY "
              "mem_code"})
            for (const std::string& v : Column(sql))
                all += v + "\n";
        return all;
    }
    std::string SendState(int code) {
        const auto v =
            Column("SELECT ISNULL(ss_smms_result, 0) || ':' || ss_smms_fail FROM smssend WHERE ss_code=" +
                   std::to_string(code));
        return v.empty() ? "?" : v[0];
    }
    SendFixture m_f;
};

TEST_F(SmmsReceiptTest, ResultsReachAppRowsAndCountersAndARerunChangesNothing) {
    ASSERT_TRUE(m_f.NewStore(30));
    // Counters before: member 8 had two failures, 18 had three, 28 none (NULL), 2 had two and is
    // delivered this time. Numbers ending in 7 (members 8, 18, 28) fail.
    SetFail(8, "2");
    SetFail(18, "3");
    SetFail(28, "NULL");
    SetFail(2, "2");
    // A combined send: the SMS part's rows for the same members must stay as they are.
    const AppSend send = Send(Members(30), 2 * 24 * 3600, true);
    ASSERT_EQ(send.sent, 30);
    EXPECT_GT(send.ml, 4294967296LL);
    const AppSend recent = Send(Members(5), 3 * 3600);

    {
        CSmmsResultReceiver run(&m_f.db(), 0);
        EXPECT_EQ(run.Run(), 1);
        EXPECT_TRUE(m_f.boxes().texts().empty());
        ASSERT_TRUE(run.Summary().has_value());
        EXPECT_EQ(zmsg::Cp949ToUtf8(ReceiptSummaryText(*run.Summary(), true)),
                  "SMMS 결과수신 완료: 결과를 요청한 전송 1건, 반영한 결과 30건(수신실패 3건), "
                  "실패 횟수를 올린 회원 2명, 결과를 기다리는 전송 1건");
    }
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSRESULT"), 1);
    const auto asked = m_f.fx().sim().Requests().All().back();
    EXPECT_EQ(zmsg::sim::FieldOf(asked.fields, "ml"), std::to_string(send.ml)) << "all 64 bits asked for";
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, i + 1), i % 10 == 7 ? 2 : 1) << "app row " << i + 1;
        EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, 31 + i), 0) << "SMS row " << 31 + i;
    }
    EXPECT_EQ(SendState(send.localCode), "1:3");
    EXPECT_EQ(SendState(recent.localCode), "0:0");
    EXPECT_EQ(SmmsFail(m_f.db(), 8), 3);
    EXPECT_EQ(SmmsFail(m_f.db(), 18), 3) << "never above three";
    EXPECT_EQ(SmmsFail(m_f.db(), 28), 1);
    EXPECT_EQ(SmmsFail(m_f.db(), 2), 0) << "a delivery resets it";
    EXPECT_EQ(SmmsFail(m_f.db(), 3), 0);
    EXPECT_EQ(
        Column("SELECT ISNULL(ss_result, -1) FROM smssend WHERE ss_code=" + std::to_string(send.localCode)),
        std::vector<std::string>{"0"})
        << "the SMS part is received on its own";

    // A rerun asks nothing and changes nothing; asked for by its code, the send's results are
    // fetched and written again but the counters are not touched again.
    const std::string before = Visible();
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSRESULT"), 1);
    EXPECT_EQ(Visible(), before);
    EXPECT_EQ(Receive(send.localCode), 1);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSRESULT"), 2);
    EXPECT_EQ(Visible(), before);

    // Asked for by code: a send too recent, and a send without app recipients.
    m_f.boxes().clear();
    EXPECT_EQ(Receive(recent.localCode), 0);
    ASSERT_EQ(m_f.boxes().texts().size(), 1u);
    EXPECT_EQ(m_f.boxes().texts()[0].rfind("전송후 24시간이 경과되지 않았습니다.(", 0), 0u);
    ASSERT_TRUE(
        m_f.Exec("UPDATE smssend SET ss_smms_count=0 WHERE ss_code=" + std::to_string(send.localCode)));
    m_f.boxes().clear();
    EXPECT_EQ(Receive(send.localCode), 0);
    EXPECT_EQ(m_f.boxes().texts(), std::vector<std::string>{"해당 전송건에는 SMMS로 전송한 건이 없습니다."});
}

// One member's counter over several messages: one more per failed message up to three, back to
// zero with the first message delivered (here to the number the member changed to).
TEST_F(SmmsReceiptTest, CounterCountsToThreeAndADeliveryResetsIt) {
    ASSERT_TRUE(m_f.NewStore(10));
    const std::vector<std::pair<int, std::string>> failing = {{8, SendFixture::PhoneOf(7)}};
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        Send(failing);
        EXPECT_EQ(Receive(), 1);
        EXPECT_EQ(SmmsFail(m_f.db(), 8), std::min(k, 3));
    }
    // The same member listed twice in one message counts once.
    SetFail(8, "1");
    Send({{8, SendFixture::PhoneOf(7)}, {8, SendFixture::PhoneOf(7)}});
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(SmmsFail(m_f.db(), 8), 2);

    ASSERT_TRUE(m_f.Exec("UPDATE member SET mem_cel='010-2222-3331', mem_key4=-1 WHERE mem_code=8"));
    Send({{8, "01022223331"}});
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(SmmsFail(m_f.db(), 8), 0);
    // A result for the old number after the member changed it leaves the counter alone.
    const AppSend old = Send(failing);
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(AppRowResult(m_f.db(), old.localCode, 1), 2);
    EXPECT_EQ(SmmsFail(m_f.db(), 8), 0);
}

// Whatever the center's reply holds, only trimmed "digits:number" items reach the history; a phone
// not among the send's app rows still marks the send received.
TEST_F(SmmsReceiptTest, OnlyCheckedItemsOfTheReplyAreUsed) {
    ASSERT_TRUE(m_f.NewStore(10));
    const AppSend send = Send(Members(6));
    Fault raw;
    raw.verb = "SMMSRESULT";
    raw.kind = FaultKind::Raw;
    raw.body = "1:  " + SendFixture::PhoneOf(0) + ":2#" + SendFixture::PhoneOf(1) + "' OR '1'='1:2#" +
               SendFixture::PhoneOf(2) + ":x#0101:2#" + SendFixture::PhoneOf(3) + ":2; DELETE FROM smslist#" +
               SendFixture::PhoneOf(4) + ":1 \r\n#01099998888:2";
    m_f.fx().sim().Faults().Arm(raw);
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, 1), 2) << "the first item, its blanks trimmed";
    for (int seq = 2; seq <= 4; ++seq)
        EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, seq), 0) << seq;
    EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, 5), 1);
    EXPECT_EQ(AppRowResult(m_f.db(), send.localCode, 6), 0);
    EXPECT_EQ(Column("SELECT COUNT(*) FROM smslist"), std::vector<std::string>{"6"});
    EXPECT_EQ(SendState(send.localCode), "1:2") << "received, with both failures the center named";
    EXPECT_EQ(SmmsFail(m_f.db(), 1), 1);
    EXPECT_EQ(SmmsFail(m_f.db(), 2), 0);

    // A reply without any result leaves the send pending for the next run.
    ASSERT_TRUE(m_f.NewStore(10));
    const AppSend empty = Send(Members(3));
    raw.body = "1:";
    m_f.fx().sim().Faults().Arm(raw);
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(SendState(empty.localCode), "0:0");
    EXPECT_EQ(Receive(), 1);
    EXPECT_EQ(SendState(empty.localCode), "1:0");
}

// The app-message receipt has its lock beside the SMS receipt's: either held elsewhere stops only its
// own receipt. Two runs that meet anyway (the lock could not be made) count each failure once.
TEST_F(SmmsReceiptTest, ItsOwnLockAndRunsThatMeet) {
    ASSERT_TRUE(m_f.NewStore(30));
    Send(Members(30));
    EXPECT_EQ(RunLock::PathFor(CSmmsResultReceiver::kLockName), m_f.hostDir() + "SMMSResult_IsRunning.lock");
    {
        RunLock other;
        ASSERT_EQ(other.TryAcquire(CSmmsResultReceiver::kLockName), RunLock::Outcome::Held);
        EXPECT_EQ(Receive(), 0);
        EXPECT_TRUE(m_f.boxes().texts().empty());
        EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSRESULT"), 0);
    }
    {
        RunLock sms;
        ASSERT_EQ(sms.TryAcquire(CResultReceiver::kLockName), RunLock::Outcome::Held);
        EXPECT_EQ(Receive(), 1);
        EXPECT_EQ(SmmsFail(m_f.db(), 8), 1);
    }

    ASSERT_TRUE(m_f.NewStore(30));
    SetFail(8, "2");
    const AppSend send = Send(Members(30));
    const std::string lock = RunLock::PathFor(CSmmsResultReceiver::kLockName);
    QFile::remove(QString::fromStdString(lock));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(lock)));
    int other = -1;
    ProgressHooks progress;
    progress.show = [&](bool, const std::string& text) {
        if (other < 0 && text.find(K("건의 SMMS결과 수신중...")) != std::string::npos) {
            CSQLDirect db;
            EXPECT_TRUE(db.Open("sqlite:" + m_f.storePath()));
            CSmmsResultReceiver r(&db, 0);
            other = r.Run();
        }
    };
    CSmmsResultReceiver first(&m_f.db(), 0);
    EXPECT_EQ(first.Run(progress), 1);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMMSRESULT"), 2);
    EXPECT_EQ(SmmsFail(m_f.db(), 8), 3) << "had two: one more, not two";
    EXPECT_EQ(SmmsFail(m_f.db(), 18), 1);
    EXPECT_EQ(SendState(send.localCode), "1:3");
    ASSERT_TRUE(QDir().rmdir(QString::fromStdString(lock)));
}

TEST_F(SmmsReceiptTest, RerunAfterAnyFaultAtTheResultRequestAppliesResultsOnce) {
    // The walk's faults, and a reply of nothing but malformed items.
    std::vector<std::pair<std::string, FaultKind>> kinds = {{"raw", FaultKind::Raw}};
    for (const WalkFaultInfo& wf : WalkFaults())
        if (wf.kind != WalkFault::Refused)
            kinds.emplace_back(wf.name, wf.armed);
    for (const auto& [name, kind] : kinds) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(m_f.NewStore(120));
        SetFail(8, "2");
        const AppSend send = Send(Members(120));
        Fault f;
        f.verb = "SMMSRESULT";
        f.kind = kind;
        f.delayMs = kind == FaultKind::Delay ? LateMsFor(120000) : 0;
        f.reason = "점검중";
        f.body = "1:#:#x";
        m_f.fx().sim().Faults().Arm(f);
        Receive();
        m_f.fx().sim().Faults().Clear();
        EXPECT_EQ(Receive(), 1);
        EXPECT_EQ(Receive(), 1); // a third run finds nothing more to do
        for (int i = 0; i < 120; ++i)
            ASSERT_EQ(AppRowResult(m_f.db(), send.localCode, i + 1), i % 10 == 7 ? 2 : 1) << i;
        EXPECT_EQ(SendState(send.localCode), "1:12");
        EXPECT_EQ(SmmsFail(m_f.db(), 8), 3);
        EXPECT_EQ(SmmsFail(m_f.db(), 18), 1);
        EXPECT_EQ(SmmsFail(m_f.db(), 118), 1);
        EXPECT_EQ(SmmsFail(m_f.db(), 12), 0);
    }
}

} // namespace
