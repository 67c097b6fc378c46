// Loading recipients from a real store database file: rows, their order, the counts and the messages.
#include <gtest/gtest.h>

#include <cstdio>

#include <QTemporaryDir>

#include "center/phonemask.h"
#include "db/sqldirect.h"
#include "host/demodb.h"
#include "members/recipientloader.h"
#include "sms/listbatches.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

class StoreFile {
public:
    StoreFile() {
        m_ok = m_db.Open("sqlite:" + m_dir.filePath(QStringLiteral("store.db")).toStdString()) &&
               CreateStoreTables(m_db, nullptr);
    }
    bool ok() const { return m_ok; }
    CSQLDirect& db() { return m_db; }
    // name and business name in UTF-8; dates as stored, or NULL.
    void member(int code, const char* name, const std::string& cel, int key, int points, const char* bzname,
                int apply, const char* m2date = "NULL", const char* hdate = "NULL", int status = 1) {
        char sql[1024];
        std::snprintf(
            sql, sizeof sql,
            "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, "
            "mem_apply, mem_m2date, mem_hdate, mem_status) VALUES (%d, '%s', '%s', %d, %d, '%s', %d, "
            "%s, %s, %d)",
            code, K(name).c_str(), cel.c_str(), key, points, K(bzname).c_str(), apply, m2date, hdate, status);
        EXPECT_EQ(m_db.ExecuteSQL(sql), 0) << m_db.GetLastError();
    }
    void exec(const std::string& utf8) {
        EXPECT_EQ(m_db.ExecuteSQL(K(utf8).c_str()), 0) << m_db.GetLastError();
    }

private:
    QTemporaryDir m_dir;
    CSQLDirect m_db;
    bool m_ok = false;
};

// The grid's view of a list, readable in a failure message.
std::vector<std::string> Shown(const RecipientList& list) {
    std::vector<std::string> out;
    for (const Recipient& r : list.rows())
        out.push_back(std::to_string(r.code) + "|" + Cp949ToUtf8(r.name) + "|" + r.phone + "|" +
                      Cp949ToUtf8(r.text3) + "|" + Cp949ToUtf8(r.text4) + "|" + r.appDate + "|" +
                      Cp949ToUtf8(r.remark) + (r.checked ? "|v" : "|-"));
    return out;
}

std::vector<int> Codes(const RecipientList& list) {
    std::vector<int> out;
    for (const Recipient& r : list.rows())
        out.push_back(r.code);
    return out;
}

void FillSampleMembers(StoreFile& store) {
    std::string masked;
    int32_t key = -1;
    ASSERT_TRUE(MaskPhone("010-2222-3333", masked, key, 17));
    store.member(1, "김하나", "010-1111-2222", -1, 1234567, "", 0, "'2024-05-01 09:30:12.000'",
                 "'2024-04-30 18:05:00.000'");
    store.member(2, "이둘", masked, key, 0, "행복상회", 0);
    store.member(3, "박셋", "***010-3333-4444", -1, 50, "", 0, "'2024-05-02 08:00:00.000'");
    store.member(4, "최넷", "010-4444-5555", -1, 10, "", 0x1000 | 0x1);
    store.member(5, "정다섯", "02-123-4567", -1, 10, "", 0);
    store.member(6, "강여섯", "01011112222", -1, 10, "", 0);
    store.member(7, "조일곱", "010-7777-8888", -1, 10, "", 0x1001, "NULL", "NULL", 0);
}

TEST(RecipientLoader, MembersAreListedWithTheirMarks) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    FillSampleMembers(store);
    ScriptedMessages messages;

    RecipientList list;
    std::vector<std::string> progress;
    ProgressHooks watch;
    watch.show = [&](bool show, const std::string& text) {
        progress.push_back(show ? Cp949ToUtf8(text) : std::string("done"));
    };
    watch.range = [&](int n) { progress.back() += "/" + std::to_string(n); };
    watch.pos = [&](int pos) { progress.push_back(std::to_string(pos)); };
    const RecipientLoadSummary s = LoadRecipients(store.db(), {0, "", "AND mem_code>0"}, list, watch);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{
                               "1|김하나|01011112222|1,234,567|2024-04-30 18:05|2024-05-01 09:30||v",
                               "2|이둘(행복상회)|01022223333|0||||v",
                               "3|박셋|01033334444|50||2024-05-02 08:00|3회수신실패|-",
                           }));
    EXPECT_TRUE(list.AppSignalSeen());
    EXPECT_EQ(progress,
              (std::vector<std::string>{"SMS를 전송할 회원정보를 불러오는 중입니다./0", "1", "done"}));
    EXPECT_EQ(s.total, 7);
    EXPECT_EQ(s.skipped, 2);
    EXPECT_EQ(s.threeFail, 1);
    EXPECT_EQ(s.badFormat, 1);
    EXPECT_EQ(s.duplicate, 1);
    EXPECT_FALSE(s.failed);
    EXPECT_TRUE(messages.texts().empty()) << "the caller shows the summary";
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(s, 0)),
              "총 7건중 5건의 전화번호가 부적합하여 2건만 전송대상에 추가했습니다.\n"
              "\n▶ SMS 수신거부 : 2 건"
              "\n▶ 3회이상 수신실패 : 1 건 (체크하시면 발송가능)"
              "\n▶ 전화번호형식오류 : 1 건"
              "\n▶ 전송대상중복 : 1 건");

    // Members who refused: only they are kept, and column 4 waits for their request date.
    const RecipientLoadSummary r = LoadRecipients(store.db(), {3, "4,7,1", ""}, list);
    EXPECT_EQ(Shown(list),
              (std::vector<std::string>{"4|최넷|01044445555|10||||v", "7|조일곱|01077778888|10||||v"}));
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(r, 3)),
              "총 3건중 1건의 전화번호가 부적합하여 2건만 전송대상에 추가했습니다.\n\n▶ SMS 수신허용 : 1 건");

    // Every row added: no message at all.
    const RecipientLoadSummary all = LoadRecipients(store.db(), {0, "1,2", ""}, list);
    EXPECT_EQ(all.total, 2);
    EXPECT_EQ(LoadSummaryMessage(all, 0), "");
}

TEST(RecipientLoader, AppMessageVariantKeepsAppMembersOfAnyNumberForm) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    FillSampleMembers(store);
    store.member(8, "윤여덟", "031-234-5678", -1, 8, "", 0, "'2024-05-03 10:00:00.000'");
    store.member(9, "장아홉", "010-9999-0000", -1, 9, "", 0, "' 2024 '");
    store.member(10, "임열", "123-45", -1, 10, "", 0, "'2024-05-03 10:00:00.000'");
    ScriptedMessages messages;

    RecipientLoadRequest request;
    request.condition = "AND mem_code>0";
    request.variant = RecipientLoadVariant::AppMessage;
    EXPECT_EQ(
        RecipientLoadStatements(request),
        (std::vector<std::string>{"SELECT mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, "
                                  "mem_apply, mem_m2date FROM member WHERE mem_code>0"}));
    RecipientList list;
    std::vector<std::string> progress;
    ProgressHooks watch;
    watch.show = [&](bool show, const std::string& text) {
        if (show)
            progress.push_back(Cp949ToUtf8(text));
    };
    watch.range = [&](int n) { progress.back() += "/" + std::to_string(n); };
    const RecipientLoadSummary s = LoadRecipients(store.db(), request, list, watch);
    // A landline counts (the app knows its user, not the number's prefix); no date, no app.
    EXPECT_EQ(Shown(list), (std::vector<std::string>{
                               "1|김하나|01011112222|1,234,567||2024-05-01 09:30||v",
                               "3|박셋|01033334444|50||2024-05-02 08:00|3회수신실패|-",
                               "8|윤여덟|0312345678|8||2024-05-03 10:00||v",
                           }));
    EXPECT_EQ(progress, (std::vector<std::string>{"AlderS 문자를 전송할 회원정보를 불러오는 중입니다./0"}));
    EXPECT_EQ(s.total, 10);
    EXPECT_EQ(s.noApp, 3);
    EXPECT_EQ(Cp949ToUtf8(AppLoadSummaryMessage(s)),
              "총 10건중 8건의 전화번호가 부적합하여 2건만 전송대상에 추가했습니다.\n"
              "\n▶ SMS 수신거부 : 2 건"
              "\n▶ 3회이상 수신실패 : 1 건 (체크하시면 전송가능)"
              "\n▶ 전화번호형식오류 : 1 건"
              "\n▶ 전송대상중복 : 1 건"
              "\n▶ AlderS 미접속 : 3 건");

    // A row typed by hand needs no date and says where it came from.
    EXPECT_EQ(list.AddAppRecipient(0, K("손님"), "010-5555-6666", "", "", true), RecipientList::Added);
    EXPECT_EQ(list.AddAppRecipient(0, K("손님"), "01055556666", "", "", true), RecipientList::Duplicate);
    EXPECT_EQ(Shown(list).back(), "0|손님|01055556666||||수동추가|v");
}

TEST(RecipientLoader, CouponVariantListsAppMembersCheckedWhateverTheirRefusal) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    FillSampleMembers(store);
    store.member(8, "윤여덟", "031-234-5678", -1, 8, "행복상회", 0x1000, "'2024-05-03 10:00:00.000'");
    store.member(9, "장아홉", "010-9999-0000", -1, 9, "", 0, "' 2024 '");
    store.member(10, "임열", "123-45", -1, 10, "", 0, "'2024-05-03 10:00:00.000'");
    store.member(11, "한열하나", "0101111-2222", -1, 11, "", 0, "'2024-05-04 10:00:00.000'");
    store.member(12, "두열둘", "010123456789012", -1, 12, "", 0, "'2024-05-04 10:00:00.000'");
    ScriptedMessages messages;

    RecipientLoadRequest request;
    request.codeList = "12,11,10,9,8,7,6,5,4,3,2,1";
    request.condition = "  AND mem_point>=0";
    request.variant = RecipientLoadVariant::Coupon;
    EXPECT_EQ(
        RecipientLoadStatements(request),
        (std::vector<std::string>{"SELECT mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, "
                                  "mem_apply, mem_m2date FROM member WHERE mem_code IN "
                                  "(12,11,10,9,8,7,6,5,4,3,2,1) AND mem_point>=0"}));
    RecipientList list;
    std::vector<std::string> progress;
    ProgressHooks watch;
    watch.show = [&](bool show, const std::string& text) {
        if (show)
            progress.push_back(Cp949ToUtf8(text));
    };
    watch.range = [&](int n) { progress.back() += "/" + std::to_string(n); };
    const RecipientLoadSummary s = LoadRecipients(store.db(), request, list, watch);
    // Refusal of advertising (8) and three failed deliveries (3) do not matter for a coupon; the
    // business name has its own column; 6 and 1 repeat 11's number; 15 digits and a cut number are
    // malformed; without an app date (9, 7, 5, 4, 2) there is no coupon.
    EXPECT_EQ(Shown(list), (std::vector<std::string>{
                               "11|한열하나|01011112222|11||2024-05-04 10:00||v",
                               "8|윤여덟|0312345678|8|행복상회|2024-05-03 10:00||v",
                               "3|박셋|01033334444|50||2024-05-02 08:00||v",
                           }));
    EXPECT_EQ(progress, (std::vector<std::string>{"AlderS 쿠폰을 발행할 회원정보를 불러오는 중입니다./12"}));
    EXPECT_EQ(s.total, 12);
    EXPECT_EQ(s.skipped, 0);
    EXPECT_EQ(s.badFormat, 2);
    EXPECT_EQ(s.duplicate, 2);
    EXPECT_EQ(s.noApp, 5);
    EXPECT_EQ(Cp949ToUtf8(AppLoadSummaryMessage(s)),
              "총 12건중 9건의 전화번호가 부적합하여 3건만 전송대상에 추가했습니다.\n"
              "\n▶ 전화번호형식오류 : 2 건"
              "\n▶ 전송대상중복 : 2 건"
              "\n▶ AlderS 미접속 : 5 건");
}

TEST(RecipientLoader, SummaryCountsAreGroupedWithCommas) {
    RecipientLoadSummary s;
    s.total = 1234567;
    s.duplicate = 1000;
    s.badFormat = 234567;
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(s, 1)),
              "총 1,234,567건중 235,567건의 전화번호가 부적합하여 999,000건만 전송대상에 추가했습니다.\n"
              "\n▶ 전화번호형식오류 : 234,567 건\n▶ 전송대상중복 : 1,000 건");
}

TEST(RecipientLoader, CodesComeInListOrderAndRepeatsCountAsDuplicates) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    FillSampleMembers(store);
    ScriptedMessages messages;
    RecipientList list;

    RecipientLoadSummary s = LoadRecipients(store.db(), {0, "3,1,3,99,2", ""}, list);
    EXPECT_EQ(Codes(list), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(s.total, 4);
    EXPECT_EQ(s.threeFail, 1);
    EXPECT_EQ(s.duplicate, 1);

    s = LoadRecipients(store.db(), {0, "6,1,2,5", "AND mem_point>=10"}, list);
    EXPECT_EQ(Codes(list), (std::vector<int>{6})) << "the condition still applies";
    EXPECT_EQ(s.total, 3);
    EXPECT_EQ(s.duplicate, 1) << "member 1 shares member 6's number, and 6 was listed first";
    EXPECT_EQ(s.badFormat, 1);

    // Text that is not a code never reaches a statement.
    s = LoadRecipients(store.db(), {0, "2,1;DELETE FROM member", ""}, list);
    EXPECT_EQ(Codes(list), (std::vector<int>{2}));
    s = LoadRecipients(store.db(), {0, "zz", "AND mem_code>0"}, list);
    EXPECT_TRUE(list.empty()) << "a list of nothing numeric loads nobody, not everybody";
    EXPECT_EQ(s.total, 0);
    s = LoadRecipients(store.db(), {0, "", "AND mem_code>0"}, list);
    EXPECT_EQ(s.total, 7) << "every member is still there";
    EXPECT_TRUE(messages.texts().empty());
}

TEST(RecipientLoader, EmployeesAndSuppliers) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    store.exec(
        "INSERT INTO employee (code, name, phone_cel, depart, title) VALUES "
        "(1, '김점장', '010-9000-0001', '관리', '점장'), (2, '이사원', '***010-9000-0002', '계산', '사원'),"
        "(3, '박사원', '010-9000-0001', '농산', '사원')");
    store.exec("INSERT INTO supplier (sup_code, sup_mgrname, sup_cel, sup_bzname, sup_ceoname) VALUES "
               "(5, '최담당', '011-800-9000', '한빛식품', '정대표'), (6, '강담당', '031-800-9000', "
               "'우리농산', '윤대표')");
    RecipientList list;
    RecipientLoadSummary s = LoadRecipients(store.db(), {1, "3,2,1", ""}, list);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"3|박사원|01090000001|농산|사원|||v",
                                                     "2|이사원|01090000002|계산|사원||3회수신실패|-"}));
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(s, 1)),
              "총 3건중 2건의 전화번호가 부적합하여 1건만 전송대상에 추가했습니다.\n"
              "\n▶ 3회이상 수신실패 : 1 건 (체크하시면 발송가능)\n▶ 전송대상중복 : 1 건");
    s = LoadRecipients(store.db(), {2, "", "AND sup_code>0"}, list);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"5|최담당|0118009000|한빛식품|정대표|||v"}));
    EXPECT_EQ(s.badFormat, 1);
    EXPECT_FALSE(list.AppSignalSeen());
}

TEST(RecipientLoader, AFailedStatementIsShownAndEndsTheLoad) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    FillSampleMembers(store);
    const struct {
        int type;
        const char* message;
    } cases[] = {{0, "회원데이터를 참조할 수 없습니다!"},
                 {3, "회원데이터를 참조할 수 없습니다!"},
                 {1, "직원데이터를 참조할 수 없습니다!"},
                 {2, "공급사데이터를 참조할 수 없습니다!"}};
    for (const auto& c : cases) {
        ScriptedMessages messages;
        RecipientList list;
        list.AddRecipient(0, "old", "01012345678", "", "", "");
        const RecipientLoadSummary s =
            LoadRecipients(store.db(), {c.type, "1,2", "AND no_such_column=1"}, list);
        EXPECT_TRUE(s.failed);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(list.empty()) << "a load starts from an empty list";
    }
    // The rows a load took before the failing statement stay: the second statement (member 2) fails
    // while its row is computed.
    std::string codes = "1,1";
    for (int i = 8; i <= 506; ++i)
        codes += "," + std::to_string(i);
    codes += ",2";
    ScriptedMessages messages;
    RecipientList list;
    const RecipientLoadSummary s = LoadRecipients(
        store.db(),
        {0, codes, "AND mem_code<CASE WHEN mem_code=2 THEN abs(-9223372036854775807-1) ELSE 9 END"}, list);
    EXPECT_TRUE(s.failed);
    EXPECT_EQ(Codes(list), (std::vector<int>{1}));
    EXPECT_EQ(s.duplicate, 1);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"회원데이터를 참조할 수 없습니다!"});
}

TEST(RecipientLoader, LongCodeListsKeepTheHostsOrderAcrossStatements) {
    // 1,502 codes, most without a member, so the load takes several statements. The members are far
    // apart in the list and come back from the database in its own order; the list shows them in the
    // host's order, the first of two members sharing a number wins, and repeats count as duplicates.
    StoreFile store;
    ASSERT_TRUE(store.ok());
    store.member(7, "김일곱", "010-7000-0007", -1, 700, "", 0);
    store.member(480, "이사팔", "010-4800-0480", -1, 48000, "", 0, "'2024-06-01 10:00:00.000'");
    store.member(650, "박육오", "***010-6500-0650", -1, 650, "", 0);
    store.member(900, "최구백", "010-9000-0900", -1, 900, "", 0x1000);
    store.member(1200, "정천이", "010-7000-0007", -1, 0, "", 0);
    store.member(1500, "강천오", "02-150-1500", -1, 1500, "", 0);
    std::string codes = "1500,1200";
    for (int c = 1499; c >= 1; --c)
        if (c != 1200)
            codes += "," + std::to_string(c);
    codes += ",7,650";

    ScriptedMessages messages;
    RecipientList list;
    int steps = 0, last = 0;
    ProgressHooks watch;
    watch.pos = [&](int pos) {
        ++steps;
        last = pos;
    };
    RecipientLoadSummary s = LoadRecipients(store.db(), {0, codes, ""}, list, watch);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"1200|정천이|01070000007|0||||v",
                                                     "650|박육오|01065000650|650|||3회수신실패|-",
                                                     "480|이사팔|01048000480|48,000||2024-06-01 10:00||v"}));
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(s, 0)),
              "총 8건중 6건의 전화번호가 부적합하여 2건만 전송대상에 추가했습니다.\n"
              "\n▶ SMS 수신거부 : 1 건"
              "\n▶ 3회이상 수신실패 : 1 건 (체크하시면 발송가능)"
              "\n▶ 전화번호형식오류 : 1 건"
              "\n▶ 전송대상중복 : 3 건");
    EXPECT_EQ(last, 1502) << "the progress reaches the end of the list";
    EXPECT_LE(steps, 4) << "a few statements, not one per code";

    // The condition applies to every statement: without member 1200, member 7 is the first with
    // that number.
    s = LoadRecipients(store.db(), {0, codes, "AND mem_point>0"}, list);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"650|박육오|01065000650|650|||3회수신실패|-",
                                                     "480|이사팔|01048000480|48,000||2024-06-01 10:00||v",
                                                     "7|김일곱|01070000007|700||||v"}));
    EXPECT_EQ(s.total, 7);
    EXPECT_EQ(s.duplicate, 2);

    // Members who refused: only member 900.
    s = LoadRecipients(store.db(), {3, codes, ""}, list);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"900|최구백|01090000900|900||||v"}));
    EXPECT_EQ(Cp949ToUtf8(LoadSummaryMessage(s, 3)),
              "총 8건중 7건의 전화번호가 부적합하여 1건만 전송대상에 추가했습니다.\n\n▶ SMS 수신허용 : 7 건");
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace

// Points from a DECIMAL or MONEY column reach ODBC as text with the column's scale ("1234.0000"): the
// grid and the points merge field sent to the center group the whole part only and keep a real fraction.
TEST(RecipientLoader, DecimalPointsAreGroupedOnTheirWholePartInTheGridAndTheMergeField) {
    StoreFile store;
    ASSERT_TRUE(store.ok());
    // A text column keeps the digits as SQL Server's driver hands them over.
    store.exec("DROP TABLE member");
    store.exec("CREATE TABLE member (mem_code INT NOT NULL PRIMARY KEY, mem_name VARCHAR(40), mem_cel "
               "VARCHAR(20), mem_key4 INT, mem_point VARCHAR(24), mem_bzname VARCHAR(60), mem_apply INT, "
               "mem_m2date DATETIME, mem_hdate DATETIME, mem_status INT)");
    const char* const points[] = {"1234.0000", "1234.5000", "1234567.2500", "0.0000", "-1500.5000", "25"};
    for (int i = 0; i < 6; ++i)
        store.exec("INSERT INTO member VALUES (" + std::to_string(i + 1) + ", '회원', '0101234000" +
                   std::to_string(i) + "', -1, '" + points[i] + "', '', 0, NULL, NULL, 1)");
    RecipientList list;
    LoadRecipients(store.db(), {0, "", "AND mem_code>0"}, list);
    std::vector<std::string> shown;
    for (const Recipient& r : list.rows())
        shown.push_back(r.text3);
    EXPECT_EQ(shown, (std::vector<std::string>{"1,234", "1,234.5", "1,234,567.25", "0", "-1,500.5", "25"}));

    // The points merge field as the batch carries it ("}{phone|name|points|").
    std::vector<Recipient> rows = list.rows();
    for (Recipient& r : rows)
        r.bySms = true;
    ListFields fields;
    fields.merge = fields.use3 = true;
    ListBatches batches(rows, "seq=", 100, fields);
    const std::optional<ListBatch> batch = batches.Next();
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->body,
              "seq=1&list=}{01012340000||1%2C234|}{01012340001||1%2C234.5|}{01012340002||1%2C234%2C567.25|"
              "}{01012340003||0|}{01012340004||-1%2C500.5|}{01012340005||25|");
}
