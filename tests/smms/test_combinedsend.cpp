// The app part of a combined send from the SMS dialog, against the simulator and a real store file:
// which rows go by app, how the history joins the SMS part's row, a reserved send followed by another,
// every fault at every app-part request followed by a second press, and the two receipts over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "center/vexconfig.h"
#include "combined/combinedsend.h"
#include "frame/clock.h"
#include "results/resultreceiver.h"
#include "results/smmsresultreceiver.h"
#include "sim/centerstate.h"
#include "sim/faultplan.h"
#include "sim/formdata.h"
#include "tests/smms/smmssendcheck.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::Fault;
using zmsg::sim::FaultKind;

namespace {

constexpr int kMembers = 250;
constexpr int kBySms = 150; // rows 0..149 by SMS, 150..249 by app

// Plays the SMS dialog: its rows, its app part's unsettled send, its SMS part's unsettled send.
class CombinedSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_f.ok());
        ASSERT_TRUE(m_picture.ok());
    }

    SmsSendInput Input(int members, int bySms) {
        SmsSendInput in = m_f.Input(members);
        for (int i = 0; i < members; ++i) {
            Recipient& r = in.rows[static_cast<size_t>(i)];
            r.appUser = i >= bySms;
            r.byApp = r.appUser;
            r.bySms = !r.byApp;
        }
        return in;
    }

    // One press: the window's rows and kept sends go in, what the send removed comes out.
    SmsSendResult Press(SmsSendInput& in) {
        in.ownUnsettled = m_smsUnsettled;
        in.ownAppUnsettled = m_appUnsettled;
        CombinedAppInput app;
        app.storeCode = in.account.storeCode;
        app.storeName = K("행복마트");
        app.empCode = in.empCode;
        app.empName = K("점장");
        app.lmsTitle = in.subject;
        app.message = in.message;
        app.callbackField = in.callbackField;
        app.reservation = in.reservation;
        app.imagePath = m_picture.path();
        app.header1 = in.header1;
        app.header3 = in.header3;
        app.rows = in.rows;
        in.appPart = CombinedIdentity(app);
        in.combinedSend = [&, app](const SmsPartDone& done) mutable {
            app.ownUnsettled = m_appUnsettled;
            const CombinedAppResult r = SendCombined(m_f.db(), app, done);
            m_appUnsettled = r.unsettled;
            m_lastMl = r.ml;
            return r.part;
        };
        const SmsSendResult result = m_f.Send(in);
        m_smsUnsettled = result.unsettled;
        // As the dialog: a press that ended in its settle settled the app part too.
        if (result.settled)
            m_appUnsettled = result.appUnsettled;
        std::vector<Recipient> left;
        for (size_t i = 0; i < in.rows.size(); ++i)
            if (!std::binary_search(result.rowsToRemove.begin(), result.rowsToRemove.end(), i))
                left.push_back(in.rows[i]);
        in.rows = left;
        return result;
    }

    std::string Query(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        m_f.db().DoQuery(sql, rows);
        return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
    }
    std::set<std::string> AppPhones(int from, int to) const {
        std::set<std::string> out;
        for (int i = from; i < to; ++i)
            out.insert(SendFixture::PhoneOf(i));
        return out;
    }
    int Completed() {
        int n = 0;
        for (const auto& m : AppMessages(m_f))
            n += m.completions;
        return n;
    }

    SendFixture m_f;
    UploadPicture m_picture;
    std::optional<PendingSend> m_smsUnsettled;
    std::optional<PendingSend> m_appUnsettled;
    int64_t m_lastMl = 0;
};

TEST_F(CombinedSendTest, AppRowsOnlyJoinTheSmsPartsHistory) {
    ASSERT_TRUE(m_f.NewStore(kMembers));
    SmsSendInput in = Input(kMembers, kBySms);
    const SmsSendResult r = Press(in);
    ASSERT_EQ(r.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(r.callSent, kBySms);
    EXPECT_EQ(r.appSent, kMembers - kBySms);
    EXPECT_EQ(m_f.boxes().texts().back(),
              "▶ SMS 150 건\n▶ AlderS 100 건\n\n문자를 전송했습니다.\n확인을 누르시면 전송창을 닫습니다.");
    EXPECT_TRUE(in.rows.empty());

    // The begin names the SMS part; the batches carry the app rows only; the end has no all-members
    // option.
    auto& log = m_f.fx().sim().Requests();
    EXPECT_EQ(log.Count("SMMSBEGIN"), 1);
    EXPECT_EQ(log.Count("SMMSTRAN"), 1);
    EXPECT_EQ(log.Count("SMMSEND"), 1);
    for (const auto& q : log.All()) {
        if (q.verb == "SMMSBEGIN") {
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "ss"), std::to_string(r.centerCode));
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "call"), "100");
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "tt"), "(광고)행복마트");
        }
        if (q.verb == "SMMSEND") {
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "ml"), std::to_string(m_lastMl));
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "alluser"), "");
        }
    }
    const auto messages = AppMessages(m_f);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].pictures, 1);
    EXPECT_GT(messages[0].code, 4294967296LL); // the 64-bit message number went through unharmed
    std::set<std::string> listed;
    for (const auto& [phone, times] : zmsg::sim::SmmsState::ListedPhones(messages[0])) {
        EXPECT_EQ(times, 1);
        listed.insert(phone);
    }
    EXPECT_EQ(listed, AppPhones(kBySms, kMembers));

    // One history row with both parts; the app rows continue the SMS rows' numbering.
    EXPECT_EQ(Query("SELECT COUNT(*) FROM smssend"), "1");
    EXPECT_EQ(Query("SELECT ss_trcount FROM smssend WHERE ss_code=1"), "150");
    EXPECT_EQ(Query("SELECT ss_smms_center FROM smssend WHERE ss_code=1"), std::to_string(m_lastMl));
    EXPECT_EQ(Query("SELECT ss_smms_count FROM smssend WHERE ss_code=1"), "100");
    EXPECT_EQ(Query("SELECT COUNT(*) FROM smslist WHERE sl_sscode=1"), "250");
    EXPECT_EQ(Query("SELECT MIN(sl_seq) FROM smslist WHERE sl_sendtype=1"), "151");
    EXPECT_EQ(Query("SELECT MAX(sl_seq) FROM smslist WHERE sl_sendtype=1"), "250");
    EXPECT_EQ(Query("SELECT COUNT(DISTINCT sl_ref) FROM smslist"), "250");
    SendState state(SendStatePath());
    state.Load();
    EXPECT_TRUE(state.empty());
}

TEST_F(CombinedSendTest, ReservedSendThenAnAppOnlySendTakesANewRow) {
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(9, 5)));
    ASSERT_TRUE(m_f.NewStore(kMembers));
    SmsSendInput in = Input(20, 10);
    in.reservation = QDateTime(QDate(2026, 12, 7), QTime(11, 30));
    const SmsSendResult first = Press(in);
    ASSERT_EQ(first.outcome, SmsSendOutcome::Reserved);
    const int64_t firstMl = m_lastMl;
    EXPECT_TRUE(in.rows.empty()); // both parts left the list
    for (const auto& q : m_f.fx().sim().Requests().All())
        if (q.verb == "SMMSBEGIN") {
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "pop"), "2026-12-07 11:30");
        }
    EXPECT_EQ(Query("SELECT ss_smms_count FROM smssend WHERE ss_code=1"), "10");

    // The next send, of app users only, begins afresh: no SMS part, a row of its own, numbered from 1,
    // and the reserved send's row as it was.
    m_f.fx().sim().Requests().Clear();
    m_f.boxes().clear();
    SmsSendInput second = Input(30, 20);
    second.rows.erase(second.rows.begin(), second.rows.begin() + 20); // members 21..30, by app
    second.reservation.reset();
    const SmsSendResult r = Press(second);
    zmsg::Clock::setFixed(QDateTime());
    ASSERT_EQ(r.outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(m_f.fx().sim().Requests().Count("SMSBEGIN"), 0);
    for (const auto& q : m_f.fx().sim().Requests().All())
        if (q.verb == "SMMSBEGIN") {
            EXPECT_EQ(zmsg::sim::FieldOf(q.fields, "ss"), "0");
        }
    EXPECT_NE(m_lastMl, firstMl);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM smssend"), "2");
    EXPECT_EQ(Query("SELECT ss_smms_center FROM smssend WHERE ss_code=1"), std::to_string(firstMl));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM smslist WHERE sl_sscode=1"), "20");
    EXPECT_EQ(Query("SELECT ss_center FROM smssend WHERE ss_code=2"), "0");
    EXPECT_EQ(Query("SELECT ss_smms_center FROM smssend WHERE ss_code=2"), std::to_string(m_lastMl));
    EXPECT_EQ(Query("SELECT ss_smms_count FROM smssend WHERE ss_code=2"), "10");
    EXPECT_EQ(Query("SELECT MIN(sl_seq) FROM smslist WHERE sl_sscode=2"), "1");
    EXPECT_EQ(Query("SELECT MAX(sl_seq) FROM smslist WHERE sl_sscode=2"), "10");
}

// A reserved SMS part has not gone out when the app part fails: the summary says it was reserved,
// and the app rows stay for the next press.
TEST_F(CombinedSendTest, ReservedSmsPartWithAFailedAppPartSaysReserved) {
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(9, 5)));
    ASSERT_TRUE(m_f.NewStore(kMembers));
    SmsSendInput in = Input(20, 10);
    in.reservation = QDateTime(QDate(2026, 12, 7), QTime(11, 30));
    m_f.Arm("SMMSBEGIN", 1, FaultKind::Fail);
    const SmsSendResult r = Press(in);
    zmsg::Clock::setFixed(QDateTime());
    EXPECT_EQ(r.outcome, SmsSendOutcome::AppFailed);
    EXPECT_EQ(m_f.boxes().texts().back(), "▶ SMS 10 건\n▶ AlderS 전송하지 못했습니다. 대상은 리스트에 남겨 "
                                          "두었습니다.\n\n문자는 예약 전송했습니다.\nAlderS 대상을 "
                                          "확인하신 후 다시 전송해 주십시오.");
    EXPECT_EQ(in.rows.size(), 10u);
    EXPECT_EQ(Query("SELECT ss_reserve FROM smssend WHERE ss_code=1"), "1");
}

// Both receipts over one combined send, in either order, each keeping to its own part's rows: the SMS
// receipt's stars only for the SMS part's members, the app receipt's counter only for the app part's.
// App messages fail here to numbers ending in 5, text messages to those ending in 7, and one number is
// in both parts (member 6 by SMS, member 41 by app), delivered by one and failed by the other.
TEST_F(CombinedSendTest, ReceiptsInEitherOrderKeepToTheirOwnPart) {
    constexpr int kPartMembers = 40;
    constexpr int kShared = 41;
    auto phoneOf = [](int code) { return SendFixture::PhoneOf(code == kShared ? 5 : code - 1); };
    auto smmsFail = [this](int code) {
        return std::atoi(
            Query("SELECT ISNULL(mem_smmsfail, -1) FROM member WHERE mem_code=" + std::to_string(code))
                .c_str());
    };
    for (const bool smsFirst : {true, false}) {
        SCOPED_TRACE(smsFirst ? "SMS receipt first" : "app receipt first");
        ASSERT_TRUE(m_f.NewStore(kPartMembers));
        m_smsUnsettled.reset();
        m_appUnsettled.reset();
        m_f.fx().sim().Center().SetAppFailDigit('5');
        ASSERT_TRUE(
            m_f.Exec("INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_apply, "
                     "mem_status) VALUES (41, 'x', '" +
                     phoneOf(kShared) + "', -1, 0, 0, 1)"));
        // Earlier SMS failures of app members (33 delivered by app, 26 failed), and app failures of an
        // SMS member (6) and of an app member delivered now (34).
        ASSERT_TRUE(m_f.Exec("UPDATE member SET mem_cel='**'+mem_cel WHERE mem_code IN (26, 33)"));
        ASSERT_TRUE(m_f.Exec("UPDATE member SET mem_smmsfail=2 WHERE mem_code IN (6, 34)"));
        std::map<int, std::string> celBefore;
        std::map<int, int> failBefore;
        for (int code = 1; code <= kShared; ++code) {
            celBefore[code] = m_f.MemberCel(code);
            failBefore[code] = smmsFail(code);
        }

        SmsSendInput in = Input(kPartMembers, kPartMembers / 2);
        Recipient shared = in.rows.back();
        shared.code = kShared;
        shared.phone = phoneOf(kShared);
        in.rows.push_back(shared);
        ASSERT_EQ(Press(in).outcome, SmsSendOutcome::Sent);
        ASSERT_EQ(Query("SELECT COUNT(*) FROM smslist WHERE sl_sscode=1 AND sl_sendtype=1"), "21");
        ASSERT_TRUE(m_f.Exec("UPDATE smssend SET ss_idate=DATEADD(hour, -48, GETDATE()) WHERE ss_code=1"));
        m_f.boxes().clear();
        for (const bool sms : {smsFirst, !smsFirst}) {
            if (sms) {
                CResultReceiver run(&m_f.db(), 0);
                EXPECT_EQ(run.Run(), 1);
            } else {
                CSmmsResultReceiver run(&m_f.db(), 0);
                EXPECT_EQ(run.Run(), 1);
            }
        }
        EXPECT_TRUE(m_f.boxes().texts().empty());

        // Every row has its own part's result.
        std::vector<std::vector<std::string>> rows;
        ASSERT_TRUE(
            m_f.db().DoQuery("SELECT sl_ref, sl_sendtype, sl_result FROM smslist WHERE sl_sscode=1", rows));
        ASSERT_EQ(rows.size(), static_cast<size_t>(kPartMembers + 1));
        std::map<int, int> typeOf;
        for (const auto& r : rows) {
            const int code = std::atoi(r[0].c_str());
            const int type = std::atoi(r[1].c_str());
            typeOf[code] = type;
            EXPECT_EQ(std::atoi(r[2].c_str()),
                      zmsg::sim::CenterState::ResultFor(phoneOf(code), type == 1 ? '5' : '7'))
                << "member " << code << " type " << type;
        }
        // Stars move only for the SMS part, the counter only for the app part.
        for (int code = 1; code <= kShared; ++code) {
            const std::string phone = phoneOf(code);
            std::string cel = celBefore[code];
            int fail = failBefore[code];
            if (typeOf[code] == 0) {
                if (phone.back() == '7') {
                    if (cel.rfind("***", 0) != 0)
                        cel = "*" + cel;
                } else {
                    cel.erase(std::remove(cel.begin(), cel.end(), '*'), cel.end());
                }
            } else if (phone.back() == '5') {
                fail = std::min(3, std::max(fail, 0) + 1);
            } else if (fail > 0) {
                fail = 0;
            }
            EXPECT_EQ(m_f.MemberCel(code), cel) << "member " << code;
            EXPECT_EQ(smmsFail(code), fail) << "member " << code;
        }
        EXPECT_EQ(
            Query("SELECT ss_trfail || ':' || ss_result || ':' || ss_smms_fail || ':' || ss_smms_result "
                  "FROM smssend WHERE ss_code=1"),
            "2:1:3:1");
    }
}

struct KindInfo {
    FaultKind kind;
    const char* name;
    bool answered;
    int delay = 0;
};

// Longer than the request's scaled time-out.
int LateMs(const std::string& verb) {
    const int timeout = verb == "SMMSEND" || verb == "UPLOAD" ? 120000 : verb == "SMMSTRAN" ? 60000 : 30000;
    return static_cast<int>(timeout * kTestTimeoutScale) + 400;
}

TEST_F(CombinedSendTest, EveryAppFaultThenASecondPress) {
    const std::vector<KindInfo> kinds = {
        {FaultKind::CloseBefore, "close-before", false}, {FaultKind::CloseAfter, "close-after", false},
        {FaultKind::Http500, "http500", false},          {FaultKind::Fail, "fail", true},
        {FaultKind::NoColon, "nocolon", true},           {FaultKind::Short, "short", true},
        {FaultKind::BadUtf8, "badutf8", true},           {FaultKind::Delay, "late", false, 1},
    };
    const std::vector<std::pair<const char*, int>> positions = {
        {"SMMSBEGIN", 1}, {"UPLOAD", 1}, {"SMMSTRAN", 1}, {"SMMSEND", 1}, {"SMMSEND", 2}, {"SMMSEND", 3}};
    for (const auto& [verb, nth] : positions) {
        for (const KindInfo& k : kinds) {
            const std::string name = std::string(verb) + "#" + std::to_string(nth) + " " + k.name;
            SCOPED_TRACE(name);
            ASSERT_TRUE(m_f.NewStore(kMembers));
            m_smsUnsettled.reset();
            m_appUnsettled.reset();
            if (std::string(verb) == "SMMSEND")
                for (int t = 1; t < nth; ++t)
                    m_f.Arm("SMMSEND", t, FaultKind::CloseBefore);
            m_f.Arm(verb, nth, k.kind, k.delay ? LateMs(verb) : 0);

            SmsSendInput in = Input(kMembers, kBySms);
            const SmsSendResult first = Press(in);
            const bool endRetried = std::string(verb) == "SMMSEND" && !k.answered && nth < 3;
            if (endRetried) {
                // The next try completed it: the whole send went out.
                EXPECT_EQ(first.outcome, SmsSendOutcome::Sent);
                EXPECT_TRUE(in.rows.empty());
            } else {
                // The SMS part is reported done, the app part not; the app rows stay, the dialog open.
                EXPECT_EQ(first.outcome, SmsSendOutcome::AppFailed);
                ASSERT_FALSE(m_f.boxes().texts().empty());
                // The app part's own failure was shown before the summary.
                const std::vector<std::string> texts = m_f.boxes().texts();
                ASSERT_GE(texts.size(), 2u);
                EXPECT_NE(texts[texts.size() - 2].find("AlderS"), std::string::npos)
                    << texts[texts.size() - 2];
                const std::string summary = texts.back();
                EXPECT_EQ(summary.rfind("▶ SMS 150 건\n▶ AlderS ", 0), 0u) << summary;
                EXPECT_EQ(in.rows.size(), static_cast<size_t>(kMembers - kBySms));
                for (const Recipient& r : in.rows)
                    EXPECT_TRUE(r.checked && r.byApp);
            }

            // Presses again until the list is empty (the clerk answers a dispute by the center's list).
            m_f.fx().sim().Faults().Clear();
            if (k.delay)
                std::this_thread::sleep_for(std::chrono::milliseconds(LateMs(verb)));
            for (int presses = 0; !in.rows.empty() && presses < 3; ++presses) {
                m_f.boxes().clear();
                m_f.boxes().setNextAnswer(Completed() == 1 ? IDYES : IDNO);
                const SmsSendResult again = Press(in);
                EXPECT_NE(again.outcome, SmsSendOutcome::Failed);
            }
            EXPECT_TRUE(in.rows.empty());

            // The SMS part once; the app part completed once; nobody twice; history rows once.
            const SendFixture::CenterView sms = m_f.Center();
            EXPECT_EQ(sms.ended, 1);
            EXPECT_EQ(sms.phones.size(), static_cast<size_t>(kBySms));
            EXPECT_EQ(Completed(), 1);
            std::set<std::string> reached(sms.phones.begin(), sms.phones.end());
            for (const auto& m : AppMessages(m_f)) {
                EXPECT_LE(m.pictures, 1);
                if (m.completions == 1)
                    for (const auto& [phone, times] : zmsg::sim::SmmsState::ListedPhones(m)) {
                        EXPECT_EQ(times, 1) << phone;
                        EXPECT_TRUE(reached.insert(phone).second) << phone << " reached twice";
                    }
            }
            EXPECT_EQ(reached.size(), static_cast<size_t>(kMembers));
            EXPECT_EQ(Query("SELECT COUNT(*) FROM smssend WHERE ss_center>0"), "1");
            EXPECT_EQ(Query("SELECT COUNT(*) FROM smssend WHERE ss_smms_center>0"), "1");
            EXPECT_EQ(Query("SELECT COUNT(*) FROM smslist"), "250");
            EXPECT_EQ(Query("SELECT COUNT(DISTINCT sl_ref) FROM smslist"), "250");
            SendState state(SendStatePath());
            state.Load();
            EXPECT_TRUE(state.empty());
        }
    }
}

// A combined app part's entry keeps the SMS row it joins and asks its end without the all-members
// option; files written before such entries were kept still load (a disputed one with its reason).
TEST(CombinedJournal, JoinCodeAndEndRequest) {
    PendingSend app;
    app.kind = SendKind::App;
    app.centerCode = 4300000456LL;
    app.storeCode = 1001;
    app.combined = true;
    app.joinCode = 57;
    app.callback = "0212345678";
    app.recipients = {{5, "01099998888"}};
    PendingSend disputed = app;
    disputed.centerCode = 4300000457LL;
    disputed.phase = PendingSend::Phase::Disputed;
    disputed.reason = "busy";
    std::vector<PendingSend> back;
    ASSERT_TRUE(SendState::Parse(SendState::Serialize({app, disputed}), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_TRUE(back[0].combined);
    EXPECT_EQ(back[0].joinCode, 57);
    EXPECT_EQ(back[1].joinCode, 57);
    EXPECT_EQ(back[1].reason, "busy");
    // The title and the picture's identity come back; an entry without them is not known by them.
    PendingSend titled = app;
    titled.title = "t\tx";
    titled.picture = "sha256:ab";
    ASSERT_TRUE(SendState::Parse(SendState::Serialize({titled}), back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].title, "t\tx");
    EXPECT_EQ(back[0].picture, "sha256:ab");
    EXPECT_TRUE(back[0].identityKnown);
    EXPECT_EQ(EndRequestOf(app).body, "work=SMMSEND&mart=1001&ml=4300000456");

    std::vector<PendingSend> old;
    ASSERT_TRUE(SendState::Parse("ZMSGSEND 2\r\n"
                                 "SEND\tU\tA\t4300000001\t1001\tS\t1\t0\t0\t\t0212345678\t1\t"
                                 "2026-03-02 10:00:00\t0\t-1\t0\r\nMSG\thello\r\nR\t3\t01012345678\r\n"
                                 "SEND\tD\tA\t4300000002\t1001\tS\t1\t0\t0\t\t0212345678\t0\t"
                                 "2026-03-02 10:00:00\t0\t-1\t0\tbusy\r\nMSG\tx\r\n"
                                 "END\r\n",
                                 old));
    ASSERT_EQ(old.size(), 2u);
    EXPECT_FALSE(old[0].combined);
    EXPECT_EQ(old[0].joinCode, 0);
    EXPECT_EQ(old[1].reason, "busy");
    EXPECT_FALSE(old[0].identityKnown);
    EXPECT_TRUE(old[0].title.empty());
}

} // namespace
