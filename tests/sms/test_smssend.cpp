// The send as the user and the center see it: the checks before anything is posted, a full send of
// 250 members in batches with the merge fields, the history it leaves, a reservation, a history that
// could not be written at first, an end whose reply was lost settled before anything new begins, and
// two processes recording sends into one store at the same time.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <set>

#include "center/send/sendrecord.h"
#include "center/send/sendstate.h"
#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "host/demodb.h"
#include "members/recipientlist.h"
#include "sim/faultplan.h"
#include "sim/formdata.h"
#include "tests/sms/sendfixture.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::FaultKind;

namespace {

const std::string kSent = "\n문자를 전송했습니다.\n확인을 누르시면 전송창을 닫습니다.";

class SmsSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_f.ok());
        ASSERT_TRUE(m_f.NewStore(260));
    }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }
    SendFixture m_f;
};

struct CheckCase {
    const char* name;
    std::function<void(SmsSendInput&)> change;
    std::string shown; // UTF-8; empty: nothing shown
    int focus;
};

TEST_F(SmsSendTest, ChecksStopTheSendBeforeAnythingIsPosted) {
    const QDateTime now(QDate(2024, 5, 10), QTime(9, 0));
    const std::string noTarget = "전송대상을 선택해 주십시오.";
    auto text = [](int bytes) { return std::string(static_cast<size_t>(bytes), 'a'); };
    const std::vector<CheckCase> cases = {
        {"no price", [](SmsSendInput& in) { in.account.payType = 2; },
         "문자메시지를 사용할 수 없습니다.(단가정보오류)\n센터에 문의해 주십시오.", 0},
        {"empty message", [](SmsSendInput& in) { in.message = "  \r\n"; },
         "1 ~ 90자 (한글45자) 이내로 메시지를 입력해 주십시오.", 2026},
        {"sms of 91", [&](SmsSendInput& in) { in.message = text(91); },
         "1 ~ 90자 (한글45자) 이내로 메시지를 입력해 주십시오.", 2026},
        {"sms of 90 passes", [&](SmsSendInput& in) { in.message = text(90), in.rows.clear(); }, noTarget, 0},
        {"lms of 90",
         [&](SmsSendInput& in) { in.lms = true, in.account.lmsCalls = 3, in.message = text(90); },
         "장문전송(LMS)을 선택하셨으나 입력하신 메시지가 90자(한글45자)이하입니다.\n단문전송(SMS)으로 전환해 "
         "주십시오.",
         2026},
        {"lms of 91 passes",
         [&](SmsSendInput& in) {
             in.lms = true, in.account.lmsCalls = 3, in.message = text(91), in.rows.clear();
         },
         noTarget, 0},
        {"lms of 1901 with advert 100",
         [&](SmsSendInput& in) {
             in.lms = true, in.account.lmsCalls = 3, in.account.lmsAdLen = 100, in.message = text(1901);
         },
         "센터 캠페인광고를 허용하셨으나 광고메시지를 추가할 여유공간이 부족합니다.\n메시지를 "
         "1900자(한글950자)이하로 "
         "입력해 주십시오.",
         2026},
        {"lms of 1900 with advert 100 passes",
         [&](SmsSendInput& in) {
             in.lms = true, in.account.lmsCalls = 3, in.account.lmsAdLen = 100, in.message = text(1900);
             in.rows.clear();
         },
         noTarget, 0},
        {"bare template",
         [](SmsSendInput& in) { in.message = "(AD) Store 080", in.bareTemplate = "(ad) store 080  "; },
         "발송하려는 SMS메시지에 내용이 없습니다.", 2026},
        {"advert rules declined", [](SmsSendInput& in) { in.adRules = [] { return false; }; }, "", 0},
        // A refusal notice goes to those who refused advertising: it must never be advertising.
        {"advertising notice",
         [](SmsSendInput& in) { in.targetType = 3, in.message = zmsg::K("(광고) 특가"); },
         "수신거부 처리결과 알림에는 광고 메시지를 보낼 수 없습니다.\n메시지의 \"(광고)\" 문구를 지워 "
         "주십시오.",
         2026},
        {"notice with an advertising lms subject",
         [&](SmsSendInput& in) {
             in.targetType = 3, in.lms = true, in.account.lmsCalls = 3, in.message = text(91);
             in.subject = zmsg::K("(광고)행복마트");
         },
         "수신거부 처리결과 알림에는 광고 메시지를 보낼 수 없습니다.\n메시지 제목의 \"(광고)\" 문구를 지워 "
         "주십시오.",
         2026},
        {"notice with a plain lms subject passes",
         [&](SmsSendInput& in) {
             in.targetType = 3, in.lms = true, in.account.lmsCalls = 3, in.message = text(91);
             in.subject = zmsg::K("수신거부 처리 안내"), in.rows.clear();
         },
         noTarget, 0},
        {"callback of 7", [](SmsSendInput& in) { in.callbackField = "123-4567"; },
         "8 ~ 11자 이내로 발신자 번호를 입력해 주십시오.", 2034},
        {"callback of 9 with hyphens passes",
         [](SmsSendInput& in) { in.callbackField = "02-123-4567", in.rows.clear(); }, noTarget, 0},
        {"reservation 59 minutes ahead", [&](SmsSendInput& in) { in.reservation = now.addSecs(59 * 60); },
         "예약일시가 잘못되었습니다.\n예약일시는 현재시간보다 1시간이상 이후로 설정해 주십시오.", 0},
        {"reservation in the past", [&](SmsSendInput& in) { in.reservation = now.addSecs(-3600); },
         "예약일시가 잘못되었습니다.\n예약일시는 현재시간보다 1시간이상 이후로 설정해 주십시오.", 0},
        {"reservation 60 minutes ahead passes",
         [&](SmsSendInput& in) { in.reservation = now.addSecs(3600), in.rows.clear(); }, noTarget, 0},
        {"reservation 31 days 23 hours ahead passes",
         [&](SmsSendInput& in) { in.reservation = now.addDays(31).addSecs(23 * 3600), in.rows.clear(); },
         noTarget, 0},
        {"reservation 32 days ahead", [&](SmsSendInput& in) { in.reservation = now.addDays(32); },
         "예약일시가 잘못되었습니다.\n예약일시는 현재시간보다 31일 이내로 설정해 주십시오.", 0},
        {"unchecked rows", [](SmsSendInput& in) { in.rows[0].checked = false, in.rows.resize(1); }, noTarget,
         0},
        {"balance short", [](SmsSendInput& in) { in.account.balance = 249; },
         "잔여콜이 부족합니다.\n\n충전문의 ☎ 1600-0000", 0},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        zmsg::Clock::setFixed(now);
        m_f.boxes().clear();
        SmsSendInput in = m_f.Input(250);
        c.change(in);
        const SmsSendResult r = m_f.Send(in);
        EXPECT_EQ(r.outcome, SmsSendOutcome::Refused);
        EXPECT_EQ(r.focus, c.focus);
        const std::vector<std::string> expected =
            c.shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.shown};
        EXPECT_EQ(m_f.boxes().texts(), expected);
        EXPECT_TRUE(r.rowsToRemove.empty());
    }
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 0);
    EXPECT_TRUE(m_f.History().empty());
}

TEST_F(SmsSendTest, FullSendInBatchesLeavesItsHistory) {
    SmsSendInput in = m_f.Input(250);
    in.rows[3].checked = false; // not a recipient: stays in the list and is not sent
    in.rows[3].bySms = false;
    in.rows[0].name = K("김|철수}{님"); // separators inside a field are escaped
    const SmsSendResult r = m_f.Send(in);

    ASSERT_EQ(r.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(m_f.boxes().texts(), std::vector<std::string>{"▶ SMS 249 건\n" + kSent});
    EXPECT_EQ(m_f.boxes().shown()[0].color, 0x9B0000u);
    EXPECT_EQ(r.callSent, 249);
    EXPECT_EQ(r.localCode, 1);
    ASSERT_TRUE(r.balance.has_value());
    EXPECT_EQ(*r.balance, 5000 - 249);
    EXPECT_EQ(r.rowsToRemove.size(), 249u);
    EXPECT_EQ(std::count(r.rowsToRemove.begin(), r.rowsToRemove.end(), size_t{3}), 0);

    // What the center received: a begin with the merge flag, batches of 100, 100 and 49.
    const auto requests = m_f.fx().sim().Requests().All();
    std::vector<std::string> verbs;
    for (const auto& q : requests)
        verbs.push_back(q.verb);
    EXPECT_EQ(verbs, (std::vector<std::string>{"SMSBEGIN", "SMSLIST", "SMSLIST", "SMSLIST", "SMSEND"}));
    using zmsg::sim::FieldOf;
    EXPECT_EQ(FieldOf(requests[0].fields, "mg"), "1");
    EXPECT_EQ(FieldOf(requests[0].fields, "tp"), "S");
    EXPECT_EQ(FieldOf(requests[0].fields, "call"), "249");
    EXPECT_EQ(FieldOf(requests[0].fields, "cb"), "0212345678");
    EXPECT_EQ(FieldOf(requests[0].fields, "msg"), "{이름}님 감사합니다. 포인트 {포인트}점 \"행복\"마트");
    EXPECT_EQ(FieldOf(requests[1].fields, "seq"), "1");
    EXPECT_EQ(FieldOf(requests[3].fields, "seq"), "3");
    const auto send = m_f.fx().sim().Center().SmsSend(5001);
    ASSERT_TRUE(send && send->ended);
    ASSERT_EQ(send->batches.size(), 3u);
    EXPECT_EQ(send->batches.at(1).size(), 100u);
    EXPECT_EQ(send->batches.at(2).size(), 100u);
    EXPECT_EQ(send->batches.at(3).size(), 49u);
    // The center decodes the form once: the field keeps its escapes, field 4 is empty (not used).
    EXPECT_EQ(send->batches.at(1)[0], "01010000000|김@$$@철수$@@$님|0|");
    EXPECT_EQ(send->batches.at(1)[1], "01010000001|회원2|10|");

    // The history: one send, every recipient with a masked number that restores to the one sent.
    const auto history = m_f.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].center, 5001);
    EXPECT_EQ(history[0].trcount, 249);
    EXPECT_EQ(history[0].listRows, 249);
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(m_f.db().DoQuery("SELECT ss_msg, ss_callback, ss_emp, ss_target, ss_reserve, ss_reservedate "
                                 "FROM smssend",
                                 rows));
    EXPECT_EQ(zmsg::Cp949ToUtf8(rows[0][0]), "{이름}님 감사합니다. 포인트 {포인트}점 \"행복\"마트");
    EXPECT_EQ(rows[0][1], "0212345678");
    EXPECT_EQ(rows[0][4], "0");
    EXPECT_EQ(rows[0][5], "");
    ASSERT_TRUE(
        m_f.db().DoQuery("SELECT sl_seq, sl_ref, sl_phone, sl_key FROM smslist ORDER BY sl_seq", rows));
    ASSERT_EQ(rows.size(), 249u);
    EXPECT_EQ(rows[3][1], "5"); // the unchecked fourth row is skipped, the numbering is not
    EXPECT_EQ(rows[3][0], "4");
    EXPECT_EQ(rows[3][2], "01010xx0004");
    EXPECT_NE(rows[3][3], "-1");

    // The draft is marked as sent; nothing is left pending.
    const auto draft = LoadSmsDraft(SmsDraftPath());
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->sendResult, 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(SendStatePath())));

    // The next send takes the next local code and starts from a clean result.
    const SmsSendResult next = m_f.Send(m_f.Input(10));
    EXPECT_EQ(next.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(next.localCode, 2);
    EXPECT_EQ(next.centerCode, 5002);
    EXPECT_EQ(next.callSent, 10);
}

TEST_F(SmsSendTest, FourthMergeFieldAndReservation) {
    zmsg::Clock::setFixed(QDateTime::currentDateTime());
    SmsSendInput in = m_f.Input(3);
    in.lms = true;
    in.account.lmsCalls = 3;
    in.subject = K("<할인> 안내");
    in.message = K("{최근방문} 방문 감사합니다 <특가> ") + std::string(100, '*');
    in.rows[0].text4 = K("2024|05}{01");
    const QDateTime at = zmsg::Clock::now().addDays(2);
    const QDateTime rsv(at.date(), QTime(at.time().hour(), 30));
    in.reservation = rsv;
    const SmsSendResult r = m_f.Send(in);
    ASSERT_EQ(r.outcome, SmsSendOutcome::Reserved);
    EXPECT_EQ(m_f.boxes().texts(),
              std::vector<std::string>{
                  "▶ LMS 3 건\n\n문자를 예약 전송했습니다.\n확인을 누르시면 전송내역창으로 이동합니다.\n"
                  "(예약된 메시지는 전송내역에서 확인하실 수 있습니다.)"});
    const auto requests = m_f.fx().sim().Requests().All();
    using zmsg::sim::FieldOf;
    EXPECT_EQ(FieldOf(requests[0].fields, "tp"), "L");
    EXPECT_EQ(FieldOf(requests[0].fields, "sub"), "_lt;_할인_gt;_ 안내");
    EXPECT_EQ(FieldOf(requests[0].fields, "rsv"), rsv.toString(QStringLiteral("yyyyMMddHHmm")).toStdString());
    const auto send = m_f.fx().sim().Center().SmsSend(5001);
    ASSERT_TRUE(send);
    EXPECT_EQ(send->batches.at(1)[0], "01010000000|||2024@$$@05$@@$01");
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(m_f.db().DoQuery("SELECT ss_reserve, ss_reservedate FROM smssend", rows));
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1].substr(0, 16), rsv.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString());
}

TEST_F(SmsSendTest, MergeFieldsArriveWholeWhateverTheyHold) {
    // Pasted rows carry any text in their third and fourth fields: the list's own separators, Korean,
    // the form's "&", "=", "+" and "%", blanks at either end. Each value reaches the center whole, in
    // its own field and with its own recipient.
    SmsSendInput in = m_f.Input(4, 3);
    in.message = K("{이름}님 {포인트} / {최근방문}");
    in.rows[0].text3 = K("1|2}{3");
    in.rows[0].text4 = K("홍&길=동");
    in.rows[1].text3 = "100%";
    in.rows[1].text4 = K("  앞뒤 공백  ");
    in.rows[2].text3 = "a+b %2B&c=d";
    in.rows[2].text4 = "}{|";
    in.rows[3].text3 = K("삼천 점");
    in.rows[3].text4 = "%EA%B0%80";
    const SmsSendResult r = m_f.Send(in);
    ASSERT_EQ(r.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(r.callSent, 4);

    using zmsg::sim::FieldOf;
    std::vector<zmsg::sim::FormFields> lists;
    for (const auto& q : m_f.fx().sim().Requests().All())
        if (q.verb == "SMSLIST")
            lists.push_back(q.fields);
    ASSERT_EQ(lists.size(), 2u);
    // No value spilled into a field of its own.
    for (const auto& fields : lists) {
        std::vector<std::string> names;
        for (const auto& [name, value] : fields)
            names.push_back(name);
        EXPECT_EQ(names, (std::vector<std::string>{"work", "mart", "ss", "seq", "list"}));
    }
    EXPECT_EQ(FieldOf(lists[0], "list"), "}{01010000000|회원1|1@$$@2$@@$3|홍&길=동"
                                         "}{01010000001|회원2|100%|  앞뒤 공백  "
                                         "}{01010000002|회원3|a+b %2B&c=d|$@@$@$$@");
    EXPECT_EQ(FieldOf(lists[1], "list"), "}{01010000003|회원4|삼천 점|%EA%B0%80");
    const auto send = m_f.fx().sim().Center().SmsSend(5001);
    ASSERT_TRUE(send && send->ended);
    EXPECT_EQ(send->batches.at(1).size(), 3u);
    EXPECT_EQ(send->batches.at(2).size(), 1u);
}

TEST_F(SmsSendTest, HistoryThatCouldNotBeWrittenIsWrittenLater) {
    // Another program holds the list table away while the send ends.
    ASSERT_TRUE(m_f.Exec("ALTER TABLE smslist RENAME TO smslist_away"));
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 1), QTime(10, 0, 5)));
    const SmsSendResult r = m_f.Send(m_f.Input(120));
    zmsg::Clock::setFixed(QDateTime());
    EXPECT_EQ(r.outcome, SmsSendOutcome::Sent);
    EXPECT_TRUE(r.unrecorded);
    EXPECT_EQ(r.localCode, 0);
    EXPECT_EQ(r.rowsToRemove.size(), 120u); // sent: never offered for sending again
    EXPECT_EQ(m_f.boxes().texts(),
              (std::vector<std::string>{
                  "전송상세내역을 보관하기 위해 DB에 기록할 수 없습니다.\n(전송은 완료되었습니다. "
                  "전송내역은 다음 전송이나 결과수신 때 다시 기록합니다.)",
                  "▶ SMS 120 건\n" + kSent}));
    EXPECT_TRUE(m_f.History().empty()); // no send row without its recipients
    SendState kept(SendStatePath());
    kept.Load();
    ASSERT_EQ(kept.sends().size(), 1u);
    EXPECT_EQ(kept.sends()[0].phase, PendingSend::Phase::Unrecorded);
    EXPECT_EQ(kept.sends()[0].recipients.size(), 120u);

    // Still away at the next send: that send is kept as well, nothing is lost or doubled.
    const SmsSendResult second = m_f.Send(m_f.Input(5));
    EXPECT_TRUE(second.unrecorded);
    kept.Load();
    EXPECT_EQ(kept.sends().size(), 2u);

    ASSERT_TRUE(m_f.Exec("ALTER TABLE smslist_away RENAME TO smslist"));
    const SmsSendResult third = m_f.Send(m_f.Input(7));
    EXPECT_FALSE(third.unrecorded);
    const auto history = m_f.History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].center, 5001);
    EXPECT_EQ(history[0].listRows, 120);
    EXPECT_EQ(history[1].center, 5002);
    EXPECT_EQ(history[1].listRows, 5);
    EXPECT_EQ(history[2].center, 5003);
    EXPECT_EQ(third.localCode, 3);
    // Written later, the first send keeps its own time: the receipt counts its day from the send.
    std::vector<std::vector<std::string>> when;
    ASSERT_TRUE(m_f.db().DoQuery("SELECT ss_idate FROM smssend WHERE ss_center=5001", when));
    ASSERT_EQ(when.size(), 1u);
    EXPECT_EQ(when[0][0].substr(0, 19), "2026-12-01 10:00:05");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(SendStatePath())));

    // Writing the same ended send again (a second process flushing the same file) adds nothing.
    PendingSend again = kept.sends()[0];
    const RecordOutcome dup = RecordSend(m_f.db(), again);
    EXPECT_TRUE(dup.already);
    EXPECT_EQ(m_f.History().size(), 3u);
}

TEST_F(SmsSendTest, DamagedStateFileIsSetAsideNotTrusted) {
    const std::string path = SendStatePath();
    for (const std::string& bytes :
         {std::string("ZMSGSEND 1\r\nSEND\tU\t5001\t1001\tS\t1\t0\t0\t\t0212345678\t2\r\n"),
          std::string("\x89PNG\r\n\x1a\n", 8), std::string("ZMSGSEND 1\r\nEND")}) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        f.close();
        SendState s(path);
        s.Load();
        EXPECT_TRUE(s.empty());
        EXPECT_TRUE(QFile::exists(QString::fromStdString(path + ".bad")));
        QFile::remove(QString::fromStdString(path + ".bad"));
    }
    // A message with every byte that needs escaping comes back unchanged.
    PendingSend p;
    p.centerCode = 7;
    p.message = K("줄\r\n바꿈\t탭\\역") + "\x81\x5C";
    p.recipients = {{3, "01012345678"}, {0, "0215880000"}};
    std::vector<PendingSend> back;
    ASSERT_TRUE(SendState::Parse(SendState::Serialize({p}), back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].message, p.message);
    EXPECT_EQ(back[0].recipients.size(), 2u);
    EXPECT_EQ(back[0].recipients[1].phone, "0215880000");
}

// A state written ahead is the state only once committed: a send whose batches failed leaves neither
// an entry nor a file of its own behind.
TEST_F(SmsSendTest, PreparedStateCountsOnlyOnceCommitted) {
    const std::string path = SendStatePath();
    const QString folder = QString::fromStdString(g_strHostDir);
    auto leftOvers = [&] {
        return QDir(folder).entryList({QStringLiteral("ZMSGSEND.dat.*")}, QDir::Files | QDir::Hidden);
    };
    PendingSend p;
    p.centerCode = 9;
    p.callback = "0212345678";
    p.message = "m";
    p.recipients = {{1, "01012345678"}, {0, "0215880000"}};
    {
        SendState s(path);
        s.Put(p);
        s.Prepare();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
        s.Discard();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
        EXPECT_TRUE(leftOvers().isEmpty());

        s.Prepare();
        EXPECT_TRUE(s.Commit());
        SendState back(path);
        back.Load();
        ASSERT_EQ(back.sends().size(), 1u);
        EXPECT_EQ(back.sends()[0].recipients.size(), 2u);
        EXPECT_TRUE(leftOvers().isEmpty());

        // A change after preparing makes the prepared text stale: the commit writes the entries anew.
        s.Prepare();
        p.centerCode = 10;
        s.Put(p);
        EXPECT_TRUE(s.Commit());
        back.Load();
        EXPECT_EQ(back.sends().size(), 2u);

        // Dropped unused along with the object.
        s.Prepare();
    }
    EXPECT_TRUE(leftOvers().isEmpty());

    // The prepared file of a process killed halfway is removed by the next reader; one of a process
    // still running is left alone.
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const QString dead = QString::fromStdString(path + ".next" + std::to_string(child));
    const QString alive = QString::fromStdString(path + ".next" + std::to_string(getppid()));
    for (const QString& name : {dead, alive}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    {
        SendState s(path);
        s.Load();
    }
    EXPECT_FALSE(QFile::exists(dead));
    EXPECT_TRUE(QFile::exists(alive));
    QFile::remove(alive);

    // A batch refused in the middle of a send: nothing of that send is waiting to be asked about.
    m_f.Arm("SMSLIST", 2, FaultKind::Fail);
    QFile::remove(QString::fromStdString(path));
    EXPECT_EQ(m_f.Send(m_f.Input(250)).outcome, SmsSendOutcome::Failed);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_TRUE(leftOvers().isEmpty());
}

// Two processes sharing the host folder keep the state file together: neither drops what the other
// put in meanwhile, and an entry one of them settled does not come back.
TEST_F(SmsSendTest, StateFileSharedByTwoProcesses) {
    const std::string path = SendStatePath();
    auto sendOf = [](int32_t code) {
        PendingSend p;
        p.centerCode = code;
        p.callback = "0212345678";
        p.message = "m";
        p.recipients = {{1, "01012345678"}};
        return p;
    };
    auto codesOnDisk = [&] {
        SendState now(path);
        now.Load();
        std::set<int32_t> codes;
        for (const PendingSend& p : now.sends())
            codes.insert(p.centerCode);
        return codes;
    };
    {
        SendState seed(path);
        seed.Put(sendOf(1));
        ASSERT_TRUE(seed.Save());
    }
    SendState a(path);
    SendState b(path);
    a.Load();
    b.Load();
    a.Put(sendOf(2)); // an end whose reply a never got
    ASSERT_TRUE(a.Save());
    b.Remove(1); // b settled the send both had read
    b.Put(sendOf(3));
    ASSERT_TRUE(b.Save());
    EXPECT_EQ(codesOnDisk(), (std::set<int32_t>{2, 3}));
    a.Put(sendOf(4));
    ASSERT_TRUE(a.Save()); // 1 stays settled, 3 stays
    EXPECT_EQ(codesOnDisk(), (std::set<int32_t>{2, 3, 4}));

    // A prepared file is put in place only while nobody changed the file meanwhile.
    a.Load();
    a.Put(sendOf(5));
    a.Prepare();
    b.Load();
    b.Remove(2);
    ASSERT_TRUE(b.Save());
    ASSERT_TRUE(a.Commit());
    EXPECT_EQ(codesOnDisk(), (std::set<int32_t>{3, 4, 5}));
}

// Two host processes end sends into one store at the same moment: every send gets its own code and
// keeps all its recipients.
TEST(SmsSendRecord, TwoProcessesNeverShareALocalCode) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("shared.db")).toStdString();
    {
        CSQLDirect db;
        ASSERT_TRUE(db.Open("sqlite:" + path));
        ASSERT_TRUE(CreateStoreTables(db, nullptr));
    }
    constexpr int kPerProcess = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CSQLDirect db;
            if (!db.Open("sqlite:" + path))
                ::_exit(2);
            for (int i = 0; i < kPerProcess; ++i) {
                PendingSend s;
                s.centerCode = 10000 * (p + 1) + i;
                s.callSent = 4;
                s.callback = "0212345678";
                s.message = "m";
                for (int k = 0; k < 4; ++k)
                    s.recipients.push_back({k, SendFixture::PhoneOf(k)});
                if (RecordSend(db, s).step != RecordStep::Done)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CSQLDirect db;
    ASSERT_TRUE(db.Open("sqlite:" + path));
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(db.DoQuery(
        "SELECT ss_code, (SELECT COUNT(*) FROM smslist WHERE sl_sscode=ss_code) FROM smssend", rows));
    ASSERT_EQ(rows.size(), 2u * kPerProcess);
    std::set<std::string> codes;
    for (const auto& r : rows) {
        codes.insert(r[0]);
        EXPECT_EQ(r[1], "4");
    }
    EXPECT_EQ(codes.size(), 2u * kPerProcess);
}

// An end without a reply blocks every new begin until the center answers about it; a refused
// connection or a garbled answer keeps it blocked, and so does a refusal, which after a lost reply
// proves nothing: the clerk settles it.
TEST_F(SmsSendTest, UnresolvedEndIsSettledBeforeAnyNewBegin) {
    ASSERT_TRUE(m_f.NewStore(250));
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
    ASSERT_TRUE(m_f.NewStore(250));
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
