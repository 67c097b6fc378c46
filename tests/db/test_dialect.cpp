// SQL Server statements as the module writes them, run on a real SQLite file: the rows that come back are
// what SQL Server would give.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <ctime>

#include "db/dialect.h"
#include "db/sqldirect.h"
#include "text/codec.h"

namespace {

using zmsg::K;

// Rows joined as "a,b|c,d" so one line states a whole result.
std::string joined(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        if (!out.empty())
            out += '|';
        for (size_t c = 0; c < row.size(); ++c)
            out += (c ? "," : "") + zmsg::Cp949ToUtf8(row[c]);
    }
    return out;
}

class SampleStore {
public:
    SampleStore() {
        EXPECT_TRUE(m_dir.isValid());
        EXPECT_TRUE(m_db.Open("sqlite:" + m_dir.filePath(QStringLiteral("store.db")).toStdString()))
            << m_db.GetLastError();
        run("CREATE TABLE smssend (ss_code INT, ss_idate DATETIME, ss_result INT, ss_trcount INT)");
        run("CREATE TABLE smslist (sl_sscode INT, sl_seq INT, sl_phone VARCHAR(20), sl_result INT)");
        run("CREATE TABLE member (mem_code INT, mem_name VARCHAR(40), mem_cel VARCHAR(20), mem_apply INT,"
            " mem_smmsfail INT, mem_status INT, mem_edate DATETIME)");
        for (int code = 1; code <= 10; ++code) {
            run("INSERT INTO smssend VALUES (" + std::to_string(code) + ", '2024-0" +
                std::to_string(code % 9 + 1) + "-15 10:00:00.000', " + (code % 2 ? "NULL" : "0") + ", " +
                std::to_string(code * 10) + ")");
            run("INSERT INTO smslist VALUES (" + std::to_string(code) + ", 1, '010-1234-" +
                std::to_string(1000 + code) + "', 0)");
        }
        const char* const members =
            "INSERT INTO member (mem_code, mem_name, mem_cel, mem_apply, mem_smmsfail, mem_status) VALUES ";
        run(members + K("(1, '김민준', '010-1111-2222', 4096, NULL, 1)"));
        run(members + K("(2, '이서연', '*010-3333-4444', 0, 2, 1)"));
        run(members + K("(3, '박도윤', '123456789012345678901', 0, 3, 0)"));
    }
    void run(const std::string& sql) {
        EXPECT_EQ(m_db.ExecuteSQL(sql.c_str()), 0) << sql << m_db.GetLastError();
    }
    std::string query(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        if (!m_db.DoQuery(sql, rows))
            return "<failed: " + m_db.GetLastError() + ">";
        return joined(rows);
    }
    CSQLDirect& db() { return m_db; }

private:
    QTemporaryDir m_dir;
    CSQLDirect m_db;
};

struct QueryCase {
    const char* name;
    const char* sql; // UTF-8 here, sent as CP949
    const char* rows;
};

class DialectQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(DialectQuery, GivesSqlServerRows) {
    SampleStore store;
    EXPECT_EQ(store.query(K(GetParam().sql)), GetParam().rows) << GetParam().sql;
}

const QueryCase kQueries[] = {
    {"TopOne", "SELECT TOP 1 ss_code FROM smssend ORDER BY ss_code DESC", "10"},
    {"TopParenthesised", "SELECT top (2) ss_code FROM smssend ORDER BY ss_code", "1|2"},
    {"TopDistinct", "SELECT DISTINCT TOP 1 ss_result FROM smssend WHERE ss_result IS NOT NULL", "0"},
    {"TopBeforeTrailingComment", "SELECT TOP 2 ss_code FROM smssend ORDER BY ss_code DESC -- newest", "10|9"},
    {"TopInNotInSubqueryAndOuter",
     "SELECT TOP 2 ss_code, ss_trcount FROM smssend WHERE ss_idate < '2000-01-01' OR ss_code NOT IN "
     "(SELECT TOP 7 ss_code FROM smssend ORDER BY ss_code DESC) ORDER BY ss_code",
     "1,10|2,20"},
    {"LiteralsStayUntouched", "SELECT 'SELECT TOP 5 a + b, GETDATE(), DELETE x WHERE [y] -- z', '[TOP 1]'",
     "SELECT TOP 5 a + b, GETDATE(), DELETE x WHERE [y] -- z,[TOP 1]"},
    {"DoubledQuotesInLiteral", "SELECT 'it''s TOP' + ' ok'", "it's TOP ok"},
    {"KoreanLiteralConcatenated", "SELECT '김' + '민준' + N'님'", "김민준님"},
    {"ConcatWithRight", "SELECT '0' + RIGHT(sl_phone, 4) FROM smslist WHERE sl_sscode=3", "01003"},
    {"ConcatChainFromColumnOnward", "SELECT mem_name + ':' + mem_cel FROM member WHERE mem_code=1",
     "김민준:010-1111-2222"},
    {"ConcatWithCast", "SELECT 'no.' + CAST(ss_code AS VARCHAR(10)) FROM smssend WHERE ss_code=4", "no.4"},
    {"ConcatWithConvert", "SELECT CONVERT(varchar(10), ss_code) + '#' FROM smssend WHERE ss_code=5", "5#"},
    {"NumericPlusStaysArithmetic",
     "SELECT ISNULL(MAX(ss_code), 0)+1, ss_code + 1 FROM smssend WHERE ss_code=3", "4,4"},
    {"IsnullOnEmptyTable", "SELECT ISNULL(MAX(sl_seq), 0)+1 FROM smslist WHERE sl_sscode=99", "1"},
    {"IsnullPlusOne", "SELECT ISNULL(mem_smmsfail, 0) + 1 FROM member ORDER BY mem_code", "1|3|4"},
    {"LenIgnoresTrailingBlanks", "SELECT LEN('abc  '), LEN('  a'), LEN(N'한글 '), LEN('')", "3,3,2,0"},
    {"LenOfNullIsNull", "SELECT ISNULL(LEN(NULL), -1)", "-1"},
    {"RightShorterLongerAndZero",
     "SELECT RIGHT('abcdef', 4), RIGHT('abc', 5), RIGHT('abc', 0), LEFT('abc', 2)", "cdef,abc,,ab"},
    {"RefusalMatchExpression", "SELECT RIGHT(RTRIM(REPLACE('*010-12**-5678  ','*','')),4)", "5678"},
    {"TextComparedWithPastedDigits",
     "SELECT sl_sscode FROM smslist WHERE RIGHT(RTRIM(REPLACE(sl_phone,'*','')),4)=1003 OR 1004 = "
     "RIGHT(sl_phone, 4) "
     "OR sl_sscode=1005 ORDER BY sl_sscode",
     "3|4"},
    {"BracketNames", "SELECT [ss_code] FROM [smssend] WHERE [ss_code]=4", "4"},
    {"BitFlags", "SELECT mem_code, (mem_apply & 4096)/4096 FROM member ORDER BY mem_code", "1,1|2,0|3,0"},
    {"MonthBackEndsOnShorterMonth", "SELECT DATEADD(month, -1, '2024-03-31 10:20:30.123')",
     "2024-02-29 10:20:30.123"},
    {"MonthsBackAcrossYear", "SELECT DATEADD(mm, -2, '2024-01-15 08:00:00.000')", "2023-11-15 08:00:00.000"},
    {"MonthExpressionCount", "SELECT DATEADD(month, 1 - 2, '2024-05-31 00:00:00.000')",
     "2024-04-30 00:00:00.000"},
    {"YearFromLeapDay", "SELECT DATEADD(year, 1, '2024-02-29 12:00')", "2025-02-28 12:00:00.000"},
    {"HourBackAcrossDay", "SELECT DATEADD(hour, -24, '2024-03-01 05:00:00.000')", "2024-02-29 05:00:00.000"},
    {"DayAndMinute",
     "SELECT DATEADD(dd, 1, '2024-12-31 23:59:59.500'), DATEADD(minute, 90, '2024-01-01 00:00')",
     "2025-01-01 23:59:59.500,2024-01-01 01:30:00.000"},
    {"DateaddOfNull", "SELECT ISNULL(DATEADD(month, 1, NULL), 'none')", "none"},
    {"WindowOfPendingSends",
     "SELECT ss_code FROM smssend WHERE ss_idate > DATEADD(month, -2, '2024-06-01 00:00:00.000') AND "
     "ss_idate < DATEADD(hour, -24, '2024-06-01 00:00:00.000') AND (ss_result=0 OR ss_result IS NULL) AND "
     "ss_trcount > 0 ORDER BY ss_code",
     "3|4"},
    {"GetdateWindowAgainstNow",
     "SELECT COUNT(*) FROM smssend WHERE ss_idate > DATEADD(month, -2, GETDATE()) AND ss_idate < GETDATE()",
     "0"},
    {"FullOuterJoinOnLastDigits",
     "SELECT sl_sscode, mem_code FROM smslist FULL OUTER JOIN member ON "
     "RIGHT(RTRIM(REPLACE(sl_phone,'*','')),4)=RIGHT(RTRIM(mem_cel),4) AND mem_status=1 "
     "WHERE sl_sscode IS NULL OR sl_sscode=1 ORDER BY sl_sscode, mem_code",
     ",1|,2|,3|1,"},
    // The host's condition pasted after a code without a blank, as the member loads join them.
    {"NumberJoinedToTheNextWord",
     "SELECT mem_code FROM member WHERE mem_code=1AND mem_status=1 OR mem_code>=3AND mem_code <= 200", "1|3"},
    {"LockingReadOfTheHighestCode",
     "SELECT TOP 1 ss_code FROM smssend WITH (UPDLOCK, HOLDLOCK) ORDER BY ss_code DESC", "10"},
    {"LikeWithPercent", "SELECT COUNT(*) FROM member WHERE mem_cel LIKE '*%' OR mem_cel NOT LIKE '***%'",
     "3"},
};

INSTANTIATE_TEST_SUITE_P(Statements, DialectQuery, ::testing::ValuesIn(kQueries),
                         [](const auto& info) { return std::string(info.param.name); });

struct ChangeCase {
    const char* name;
    const char* statement;
    int code; // what ExecuteSQL returns
    const char* check;
    const char* rows;
};

class DialectChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(DialectChange, ChangesWhatSqlServerWould) {
    SampleStore store;
    const ChangeCase& c = GetParam();
    EXPECT_EQ(store.db().ExecuteSQL(K(c.statement).c_str()), c.code) << store.db().GetLastError();
    EXPECT_EQ(store.query(K(c.check)), c.rows);
}

const ChangeCase kChanges[] = {
    {"DeleteWithoutFrom", "DELETE smslist WHERE sl_sscode=3", 0, "SELECT COUNT(*) FROM smslist", "9"},
    {"DeleteBracketedWithoutFrom", "delete [smssend] WHERE ss_code>8", 0, "SELECT MAX(ss_code) FROM smssend",
     "8"},
    {"DeleteNothingIsNoData", "DELETE smslist WHERE sl_sscode=99", 100, "SELECT COUNT(*) FROM smslist", "10"},
    {"UpdateWithTopSubquery",
     "UPDATE smslist SET sl_result=2 WHERE sl_sscode IN (SELECT TOP 5 ss_code FROM smssend ORDER BY ss_code "
     "DESC)",
     0, "SELECT sl_sscode FROM smslist WHERE sl_result=2 ORDER BY sl_sscode", "6|7|8|9|10"},
    {"FailureStarPrefixed",
     "UPDATE member SET mem_cel='*'+mem_cel, mem_apply=mem_apply | 4096 WHERE mem_code IN (1, 2, 3) AND "
     "LEN(mem_cel)<20",
     0, "SELECT mem_cel, mem_apply FROM member ORDER BY mem_code",
     "*010-1111-2222,4096|**010-3333-4444,4096|123456789012345678901,0"},
    {"StarsRemoved",
     "UPDATE member SET mem_cel=REPLACE(mem_cel, '*', ''), mem_edate=GETDATE() WHERE mem_code=2", 0,
     "SELECT mem_cel, LEN(mem_edate) FROM member WHERE mem_code=2", "010-3333-4444,23"},
    {"FailedUpdateChangesNothing", "UPDATE member SET mem_cell='*' + mem_cel WHERE mem_code=2", -1,
     "SELECT mem_cel FROM member WHERE mem_code=2", "*010-3333-4444"},
    {"SmmsFailCounted",
     "UPDATE member SET mem_smmsfail = ISNULL(mem_smmsfail, 0) + 1 WHERE mem_code IN (1,2,3) AND "
     "(mem_smmsfail < 3 OR mem_smmsfail IS NULL)",
     0, "SELECT ISNULL(mem_smmsfail, -1) FROM member ORDER BY mem_code", "1|3|3"},
    {"QuotedKoreanValue", "UPDATE member SET mem_name='홍''길동' WHERE mem_code=3", 0,
     "SELECT mem_name FROM member WHERE mem_name LIKE '홍%'", "홍'길동"},
    {"InsertWithGetdate",
     "INSERT INTO smssend (ss_code, ss_idate, ss_result, ss_trcount) VALUES (11, GETDATE(), 0, 1)", 0,
     "SELECT LEN(ss_idate), ss_idate > DATEADD(minute, -10, GETDATE()) FROM smssend WHERE ss_code=11",
     "23,1"},
};

INSTANTIATE_TEST_SUITE_P(Statements, DialectChange, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Dialect, GetdateIsLocalTimeInStoredFormat) {
    SampleStore store;
    char before[32];
    char after[32];
    std::time_t t = std::time(nullptr);
    std::strftime(before, sizeof before, "%Y-%m-%d %H:%M", std::localtime(&t));
    const std::string now = store.query("SELECT GETDATE()");
    t = std::time(nullptr);
    std::strftime(after, sizeof after, "%Y-%m-%d %H:%M", std::localtime(&t));
    ASSERT_EQ(now.size(), 23u) << now;
    EXPECT_GE(now.substr(0, 16), before);
    EXPECT_LE(now.substr(0, 16), after);
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[19], '.');
}

// Where a rewrite would be invisible in rows, the text itself is the evidence.
TEST(Dialect, TextOutsideRewritesIsKeptByteForByte) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"SELECT [a + 'b'] FROM t", "SELECT [a + 'b'] FROM t"},
        {"SELECT \"TOP 1\" FROM t /* TOP 2 */", "SELECT \"TOP 1\" FROM t /* TOP 2 */"},
        {"SELECT a FROM t WHERE b='x'' + GETDATE() + ''y'",
         "SELECT a FROM t WHERE b='x'' + GETDATE() + ''y'"},
        {"SELECT TOP 1 a FROM t WHERE b=1", "SELECT a FROM t WHERE b=1 LIMIT 1"},
        {"DELETE smslist WHERE sl_sscode=7", "DELETE FROM smslist WHERE sl_sscode=7"},
        {"DELETE FROM smslist", "DELETE FROM smslist"},
        {"CREATE TABLE c (p INT REFERENCES q ON DELETE CASCADE)",
         "CREATE TABLE c (p INT REFERENCES q ON DELETE CASCADE)"},
        {"SELECT col1 + col2 FROM t", "SELECT col1 + col2 FROM t"},
        {"SELECT +5, a - +b", "SELECT +5, a - +b"},
        {"SELECT 'unterminated + x", "SELECT 'unterminated + x"},
        {"SELECT (1 + 2", "SELECT (1 + 2"},
        {"SELECT 1)) + 'a'", "SELECT 1)) + 'a'"},
        {"SELECT a FROM t WHERE mem_code=30AND mem_code <= 200",
         "SELECT a FROM t WHERE mem_code=30 AND mem_code <= 200"},
        {"SELECT a FROM t WHERE a=1.5OR b=1e5AND c=2", "SELECT a FROM t WHERE a=1.5 OR b=1e5 AND c=2"},
        {"SELECT '30AND', [30AND], \"30AND\", a30AND, 0x1F, 1e5, 2E-3 FROM t",
         "SELECT '30AND', [30AND], \"30AND\", a30AND, 0x1F, 1e5, 2E-3 FROM t"},
        {"SELECT TOP 1 a FROM t WITH (UPDLOCK, HOLDLOCK) ORDER BY a DESC",
         "SELECT a FROM t ORDER BY a DESC LIMIT 1"},
        {"SELECT a FROM t x WITH(NOLOCK) JOIN u WITH (INDEX(ix_u), ROWLOCK) ON 1=1",
         "SELECT a FROM t x JOIN u ON 1=1"},
        {"WITH x AS (SELECT 1) SELECT * FROM x", "WITH x AS (SELECT 1) SELECT * FROM x"},
        {"SELECT a FROM t WITH (SOMETHINGELSE)", "SELECT a FROM t WITH (SOMETHINGELSE)"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(zmsg::db::TranslateToSqlite(row.in), row.out) << row.in;
}

TEST(Dialect, UnknownFormsFailLoudlyInsteadOfChangingMeaning) {
    SampleStore store;
    for (const char* sql :
         {"SELECT TOP 10 PERCENT ss_code FROM smssend", "SELECT DATEADD(fortnight, 1, GETDATE())",
          "SELECT CONVERT(varchar(8), GETDATE(), 112)"}) {
        EXPECT_EQ(store.db().ExecuteSQL(sql), -1) << sql;
        EXPECT_FALSE(store.db().GetLastError().empty());
    }
}

TEST(Dialect, OnlyChangesReportNoData) {
    EXPECT_TRUE(zmsg::db::ChangesRows("  UPDATE t SET a=1"));
    EXPECT_TRUE(zmsg::db::ChangesRows("/* x */ delete t WHERE a=1"));
    EXPECT_TRUE(zmsg::db::ChangesRows("insert INTO t SELECT a FROM u"));
    EXPECT_FALSE(zmsg::db::ChangesRows("(SELECT 1)"));
    EXPECT_FALSE(zmsg::db::ChangesRows("SELECT 'UPDATE'"));
    EXPECT_FALSE(zmsg::db::ChangesRows("CREATE TABLE updates (a INT)"));
}

} // namespace
