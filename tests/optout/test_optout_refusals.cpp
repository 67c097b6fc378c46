// The refusal list and carrying refusals out, on a real SQLite store (and once through the ODBC
// backend): which requests and members the list shows, what applying, notifying and completing by
// hand leave in the tables.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include <QFile>

#include "optout/refusalcompletion.h"
#include "optout/refusallist.h"
#include "optout/refusalstore.h"
#include "tests/optout/optoutstore.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

constexpr int kEmp = 7;

// Requests 1 to 5 and the members they meet:
//   1 20251201 10:00:00 01012340001  members 1 (hyphens) and 8 (masked); 3 shares only the last four
//                                    digits, 5 is not active
//   2 20251201 10:00:00 01055550002  member 4, already refusing
//   3 20251202             01077770003  member 6, number with a failure star
//   4 20251203             01044440004  nobody
//   5 20251204             01066660005  member 7, completed by hand
class RefusalList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_store.ok());
        m_store.AddMember(1, "010-1234-0001");
        m_store.AddMember(8, "01012340001", 0, 1, true);
        m_store.AddMember(3, "01099990001");
        m_store.AddMember(4, "01055550002", 4096 | 1);
        m_store.AddMember(5, "01012340001", 0, 0);
        m_store.AddMember(6, "*01077770003 ");
        m_store.AddMember(7, "01066660005");
        const StoreOutcome s = StoreRequests(m_store.db(),
                                             {{"20251201", "100000", "0807001001", "01012340001"},
                                              {"20251201", "100000", "0807001001", "01055550002"},
                                              {"20251202", "90000", "0807001001", "01077770003"},
                                              {"20251203", "90000", "0807001001", "01044440004"},
                                              {"20251204", "90000", "0807001001", "01066660005"}},
                                             kEmp);
        ASSERT_TRUE(s.ok);
        ASSERT_EQ(s.stored, 5);
        ASSERT_TRUE(CompleteByHand(m_store.db(), {5}, kEmp));
    }

    std::vector<RefusalRow> query(RefusalFilter f = {}) {
        if (f.startDay == 0) {
            f.startDay = 20251201;
            f.endDay = 20251231;
        }
        const RefusalQuery q = QueryRequests(m_store.db(), f);
        EXPECT_TRUE(q.ok) << Cp949ToUtf8(q.notice.text);
        return q.rows;
    }

    // Each row as "request/member" codes, "+" marking a member row of its own, "!" a row without box.
    static std::string Shape(const std::vector<RefusalRow>& rows) {
        std::string s;
        for (const RefusalRow& r : rows)
            s += std::string(s.empty() ? "" : " ") + (r.requestRow ? "" : "+") +
                 std::to_string(r.requestCode) + "/" + std::to_string(r.memberCode) +
                 (r.checkable ? "" : "!");
        return s;
    }

    OptOutStore m_store;
    ScriptedMessages m_messages;
};

TEST_F(RefusalList, RequestsAreMatchedToActiveMembersByTheWholeNumber) {
    // Requests 1 and 2 came in the same second: request 1's second member still follows its own row.
    const std::vector<RefusalRow> rows = query();
    // A request completed by hand keeps its member shown, without a box.
    EXPECT_EQ(Shape(rows), "1/1 +1/8 2/4 3/6 4/0 5/7!");
    const RefusalRow& first = rows[0];
    EXPECT_EQ(first.requestDate, "2025-12-01");
    EXPECT_EQ(first.refusingNumber, "01012340001");
    EXPECT_EQ(first.calledNumber, "0807001001");
    EXPECT_EQ(first.status, 1);
    EXPECT_EQ(Cp949ToUtf8(RefusalStatusText(first.status)), "");
    EXPECT_EQ(first.memberName, "M1");
    EXPECT_EQ(first.memberBarcode, "B1");
    EXPECT_EQ(first.memberPhone, "010-1234-0001");
    EXPECT_FALSE(first.memberRefuses);
    EXPECT_FALSE(first.insertDate.empty());
    EXPECT_EQ(rows[1].memberPhone, "01012340001"); // restored from its mask
    EXPECT_TRUE(rows[1].refusingNumber.empty());
    EXPECT_TRUE(rows[2].memberRefuses);
    EXPECT_EQ(Cp949ToUtf8(RefusalStatusText(rows[5].status)), "임의완료");
    EXPECT_EQ(rows[5].memberCode, 7);
    EXPECT_EQ(rows[5].memberName, "M7");
    EXPECT_EQ(rows[5].memberBarcode, "B7");
    EXPECT_EQ(rows[5].memberPhone, "01066660005");
}

TEST_F(RefusalList, FiltersNarrowTheList) {
    struct Row {
        const char* name;
        RefusalFilter filter;
        const char* shape;
    };
    const Row rows[] = {
        {"one day", {20251202, 20251202, -1, -1, ""}, "3/6"},
        {"status", {20251201, 20251231, 4, -1, ""}, "5/7!"},
        {"members refusing", {20251201, 20251231, -1, 1, ""}, "1/0 2/4 3/0 4/0 5/0!"},
        {"members allowed", {20251201, 20251231, -1, 0, ""}, "1/1 +1/8 2/0 3/6 4/0 5/7!"},
        {"last four digits", {20251201, 20251231, -1, -1, "0001"}, "1/1 +1/8"},
        {"whole number", {20251201, 20251231, -1, -1, "01077770003"}, "3/6"},
        {"three digits: no number condition",
         {20251201, 20251231, -1, -1, "001"},
         "1/1 +1/8 2/4 3/6 4/0 5/7!"},
        {"a letter among four: no number condition",
         {20251201, 20251231, -1, -1, "0x01"},
         "1/1 +1/8 2/4 3/6 4/0 5/7!"},
        {"search as sql", {20251201, 20251231, -1, -1, "1' OR '1'='1"}, "1/1 +1/8 2/4 3/6 4/0 5/7!"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Shape(query(r.filter)), r.shape);
    }
    const RefusalQuery backwards = QueryRequests(m_store.db(), {20251231, 20251201, -1, -1, ""});
    EXPECT_FALSE(backwards.ok);
    EXPECT_EQ(Cp949ToUtf8(backwards.notice.text), "기간조건의 날짜선택을 점검해 주십시오.");
    EXPECT_EQ(backwards.notice.logLevel, -1);
}

TEST_F(RefusalList, ChoosingRequestsAsksFirst) {
    const std::vector<RefusalRow> rows = query();
    RefusalSelection s;
    // By hand with nothing ticked: a message and nothing chosen.
    EXPECT_FALSE(SelectRequests(rows, {}, RefusalAction::ByHand, s));
    ASSERT_EQ(m_messages.texts().size(), 1u);
    EXPECT_EQ(m_messages.texts()[0], "선택된 대상이 있을 경우에만 적용가능합니다.");
    // Nothing ticked, apply to all: every listed open or completed request that has a member.
    m_messages.setNextAnswer(IDYES);
    ASSERT_TRUE(SelectRequests(rows, {}, RefusalAction::Apply, s));
    EXPECT_EQ(m_messages.shown().back().type, kQuestionNoDefault);
    EXPECT_EQ(m_messages.texts().back(), "선택된 수신거부 요청건이 없습니다.\n조회된 전체 요청건의 회원을 "
                                         "수신거부 처리하고,\n처리결과 알림 메시지를 발송하시겠습니까?");
    EXPECT_EQ(JoinCodes(s.requests), "1,2,3");
    EXPECT_EQ(JoinCodes(s.members), "1,8,4,6");
    EXPECT_EQ(JoinCodes(s.openMembers), "1,8,4,6");
    // Ticked rows: each action's own question, naming what Yes does, and No stops.
    const std::vector<bool> ticked = {false, true, false, false, true, true};
    const std::pair<RefusalAction, const char*> questions[] = {
        {RefusalAction::Apply,
         "선택된 요청건의 회원을 수신거부 처리하고,\n처리결과 알림 메시지를 발송하시겠습니까?"},
        {RefusalAction::Notify, "선택된 요청건의 회원에게 처리결과 알림 메시지를 발송하시겠습니까?\n(회원의 "
                                "수신거부 설정은 바뀌지 않습니다.)"},
        {RefusalAction::ByHand, "선택된 요청건을 임의완료 처리하시겠습니까?\n(회원의 수신거부 설정과 알림 "
                                "메시지 발송 없이 요청건만 완료됩니다.)"},
    };
    for (const auto& [action, question] : questions) {
        EXPECT_FALSE(SelectRequests(rows, ticked, action, s));
        EXPECT_EQ(m_messages.texts().back(), question);
    }
    m_messages.setNextAnswer(IDYES);
    ASSERT_TRUE(SelectRequests(rows, ticked, RefusalAction::ByHand, s));
    EXPECT_EQ(JoinCodes(s.requests), "1,4"); // the completed request 5 has no box
    EXPECT_EQ(JoinCodes(s.members), "8");
    EXPECT_EQ(s.ticked, 2);
}

TEST_F(RefusalList, ApplyingRefusesEachMemberOnceWithAChangeLogRow) {
    const std::vector<RefusalRow> rows = query();
    const ApplyOutcome a = ApplyRefusal(m_store.db(), {1, 8, 4, 6}, rows, kEmp);
    EXPECT_TRUE(a.failure.empty());
    EXPECT_EQ(a.refused, 3);
    EXPECT_EQ(JoinCodes(a.requests), "1,3"); // request 2's member already refused
    EXPECT_EQ(
        m_store.Rows("SELECT mem_code, mem_apply FROM member WHERE mem_code IN (1,4,6,8) ORDER BY mem_code"),
        (std::vector<std::vector<std::string>>{{"1", "4096"}, {"4", "4097"}, {"6", "4096"}, {"8", "4096"}}));
    EXPECT_NE(m_store.Value("SELECT mem_edate FROM member WHERE mem_code=6"), "");
    EXPECT_EQ(m_store.Value("SELECT mem_edate FROM member WHERE mem_code=4"), "");
    const auto log =
        m_store.Rows("SELECT ml_member, ml_kind, ml_before, ml_after, ml_emp FROM memlog ORDER BY ml_member");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], (std::vector<std::string>{"1", "23", K("허용"), K("거부"), "7"}));
    EXPECT_EQ(log[2][0], "8");
    EXPECT_NE(m_store.Value("SELECT ml_date FROM memlog WHERE ml_member=8"), "");

    // Again: nobody is left to refuse and no second row is written.
    const ApplyOutcome again = ApplyRefusal(m_store.db(), {1, 8, 4, 6}, rows, kEmp);
    EXPECT_EQ(again.refused, 0);
    EXPECT_TRUE(again.requests.empty());
    EXPECT_EQ(m_store.Count("memlog"), 3);

    // A member whose flags were never set is refused too.
    ASSERT_EQ(m_store.db().ExecuteSQL("INSERT INTO member (mem_code, mem_cel, mem_apply, mem_status) VALUES "
                                      "(9, '01000000009', NULL, 1)"),
              SQL_OK);
    EXPECT_EQ(ApplyRefusal(m_store.db(), {9}, rows, kEmp).refused, 1);
    EXPECT_EQ(m_store.Value("SELECT mem_apply FROM member WHERE mem_code=9"), "4096");
    EXPECT_EQ(m_store.Count("memlog"), 4);

    // The refusal is stamped on the requests it served, and only there.
    ASSERT_EQ(UpdateRequestStatus(m_store.db(), a.requests, kRefusalStampApply, kEmp), 1);
    EXPECT_NE(m_store.Value("SELECT sr_refusedate FROM smsrefuse WHERE sr_code=3"), "");
    EXPECT_EQ(m_store.Value("SELECT sr_refusedate FROM smsrefuse WHERE sr_code=2"), "");
    EXPECT_EQ(m_store.StatusOf(1), 1);
}

TEST_F(RefusalList, NoticesCompleteOnlyChosenRefusedRequestsTheirOwnNoticeReached) {
    const std::vector<RefusalRow> rows = query();
    ASSERT_EQ(UpdateRequestStatus(m_store.db(), {}, kRefusalCompleted, kEmp), 0);
    const std::vector<std::string> callers = {"01012340001", "01055550002", "01077770003", "01099999999"};
    // An advertising send to the callers of requests 1 to 3, settled from the journal while the notice
    // dialog was open, and a notice recorded before it opened: neither is a notice of this round.
    m_store.AddSend(76, callers);
    m_store.AddSend(78, callers, 0);
    EXPECT_EQ(JoinCodes(FindNotifiedRequests(m_store.db(), 78, rows)), "1,2,3");
    EXPECT_TRUE(FindNotifiedRequests(m_store.db(), 0, rows).empty());
    CompletionOutcome c = CompleteNotices(m_store.db(), {76, 78}, 77, {1, 2}, rows, kEmp);
    EXPECT_TRUE(c.completed.empty());
    EXPECT_EQ(JoinCodes(c.onHold), "1,2");
    EXPECT_EQ(m_store.StatusOf(3), 1);

    // The dialog's own notice to the same callers: of the chosen requests only 2 completes, whose member
    // refuses; request 1's members do not yet, and request 3 was not chosen.
    m_store.AddSend(79, callers);
    c = CompleteNotices(m_store.db(), {78, 79}, 77, {1, 2}, rows, kEmp);
    EXPECT_EQ(JoinCodes(c.completed), "2");
    EXPECT_EQ(JoinCodes(c.onHold), "1");
    EXPECT_EQ(m_store.StatusOf(2), 0);
    EXPECT_NE(m_store.Value("SELECT sr_smsdate FROM smsrefuse WHERE sr_code=2"), "");
    EXPECT_EQ(m_store.StatusOf(1), 2);
    EXPECT_EQ(m_store.StatusOf(3), 1);
    // Request 1 matches two members: it completes once both refuse.
    ASSERT_EQ(ApplyRefusal(m_store.db(), {1}, rows, kEmp).refused, 1);
    EXPECT_TRUE(CompleteNotices(m_store.db(), {79}, 77, {1}, rows, kEmp).completed.empty());
    ASSERT_EQ(ApplyRefusal(m_store.db(), {8}, rows, kEmp).refused, 1);
    EXPECT_EQ(JoinCodes(CompleteNotices(m_store.db(), {79}, 77, {1}, rows, kEmp).completed), "1");
    EXPECT_EQ(m_store.StatusOf(1), 0);

    // Nothing sent (the SMS dialog cancelled): the chosen open requests go on hold, a completed one stays.
    c = CompleteNotices(m_store.db(), {}, 79, {1, 3, 4}, query(), kEmp);
    EXPECT_EQ(JoinCodes(c.onHold), "1,3,4");
    EXPECT_EQ(m_store.StatusOf(1), 0);
    EXPECT_EQ(m_store.StatusOf(3), 2);
    EXPECT_EQ(m_store.StatusOf(4), 2);
    EXPECT_EQ(Shape(query({20251201, 20251231, 2, -1, ""})), "3/6 4/0");

    // Completed by hand: on-hold requests close, completed ones keep their status.
    ASSERT_TRUE(CompleteByHand(m_store.db(), {1, 4}, kEmp));
    EXPECT_EQ(m_store.StatusOf(1), 0);
    EXPECT_EQ(m_store.StatusOf(4), 4);
    EXPECT_EQ(m_store.Value("SELECT sr_emp FROM smsrefuse WHERE sr_code=4"), "7");
}

TEST_F(RefusalList, TheNoticeCarriesEachRecipientsRequestDate) {
    EXPECT_EQ(Cp949ToUtf8(FormatRequestDate("20150601")), "2015년 6월 1일");
    EXPECT_EQ(Cp949ToUtf8(FormatRequestDate("20251210")), "2025년 12월 10일");
    EXPECT_EQ(FormatRequestDate("2015601"), "2015601");

    // A newer open request of the same caller gives the date.
    ASSERT_TRUE(StoreRequests(m_store.db(), {{"20251215", "1", "0807001001", "01077770003"}}, kEmp).ok);
    const RequestDates d = FillRequestDates(
        m_store.db(), {"01055550002", "01077770003", "01066660005", "01099999999", "0;DELETE member--", ""});
    ASSERT_TRUE(d.failure.empty());
    ASSERT_EQ(d.dates.size(), 6u);
    EXPECT_EQ(Cp949ToUtf8(d.dates[0].value_or("-")), "2025년 12월 1일");
    EXPECT_EQ(Cp949ToUtf8(d.dates[1].value_or("-")), "2025년 12월 15일");
    EXPECT_FALSE(d.dates[2]); // completed by hand: no open request
    EXPECT_FALSE(d.dates[3]);
    EXPECT_FALSE(d.dates[4]);
    EXPECT_FALSE(d.dates[5]);
    EXPECT_EQ(m_store.Count("member"), 7);
}

// Through the ODBC driver a result set still being read is lost when the same database object runs
// another statement: every member code is read before the first update.
TEST(RefusalApplyOdbc, EveryChosenMemberIsRefused) {
    if (!QFile::exists(QStringLiteral(ZMSG_SQLITE_ODBC_DRIVER)))
        GTEST_SKIP() << "SQLite ODBC driver not installed (libsqliteodbc)";
    OptOutStore store;
    ASSERT_TRUE(store.ok());
    for (int code = 1; code <= 4; ++code)
        store.AddMember(code, "0101234000" + std::to_string(code));
    CSQLDirect odbc;
    ASSERT_TRUE(odbc.Open("odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";Database=" + store.path() +
                          ";Timeout=5000;JournalMode=WAL;ZmsgDialect=sqlite;ZmsgCharset=UTF-8"))
        << odbc.GetLastError();
    const ApplyOutcome a = ApplyRefusal(odbc, {1, 2, 3, 4}, {}, kEmp);
    EXPECT_TRUE(a.failure.empty()) << Cp949ToUtf8(a.failure.text);
    EXPECT_EQ(a.refused, 4);
    EXPECT_EQ(store.Value("SELECT COUNT(*) FROM member WHERE mem_apply=4096"), "4");
    EXPECT_EQ(store.Count("memlog"), 4);
}

// Two machines storing downloads at once: every request keeps a code of its own and nothing is lost.
TEST(RefusalStoreTogether, TwoMachinesStoringAtOnceNeverShareACode) {
    OptOutStore store;
    ASSERT_TRUE(store.ok());
    auto machine = [&](int which, int& failed) {
        CSQLDirect db;
        if (!db.Open("sqlite:" + store.path())) {
            failed = -1;
            return;
        }
        for (int batch = 0; batch < 40; ++batch) {
            std::vector<RefusalRequest> requests;
            for (int i = 0; i < 5; ++i)
                requests.push_back({"20251201", std::to_string(which * 1000 + batch * 5 + i), "0807001001",
                                    "0101" + std::to_string(1000000 + which * 1000 + batch * 5 + i)});
            if (!StoreRequests(db, requests, which).ok)
                ++failed;
        }
    };
    int failedA = 0, failedB = 0;
    std::thread a(machine, 1, std::ref(failedA));
    std::thread b(machine, 2, std::ref(failedB));
    a.join();
    b.join();
    EXPECT_EQ(failedA, 0);
    EXPECT_EQ(failedB, 0);
    EXPECT_EQ(store.Value("SELECT COUNT(*) FROM smsrefuse"), "400");
    EXPECT_EQ(store.Value("SELECT COUNT(DISTINCT sr_code) FROM smsrefuse"), "400");
    EXPECT_EQ(store.Value("SELECT MAX(sr_code) FROM smsrefuse"), "400");
}

} // namespace
