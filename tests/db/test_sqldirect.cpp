// CSQLDirect as the module uses it, once per backend: the SQLite file, and ODBC through the SQLite ODBC
// driver on the same kind of file (translated, UTF-8), so both backends must leave the same bytes behind.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sqlite3.h>
#include <thread>

#include "db/sqldirect.h"
#include "text/codec.h"

namespace {

using zmsg::K;

enum class Kind { Sqlite, Odbc };

bool haveOdbcDriver() {
    return QFile::exists(QStringLiteral(ZMSG_SQLITE_ODBC_DRIVER));
}

std::string connectionText(Kind kind, const std::string& path) {
    if (kind == Kind::Sqlite)
        return "sqlite:" + path;
    return "odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";Database=" + path +
           ";Timeout=5000;JournalMode=WAL;ZmsgDialect=sqlite;ZmsgCharset=UTF-8";
}

// What any other tool sees in the file: read with the SQLite library itself, not through CSQLDirect.
std::string rawValue(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    std::string value = "<none>";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            value = text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, 0))) : "<null>";
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

// Tells when a connection opened meanwhile waits for a lock another connection holds: its busy time-out
// sleeps through the file-system layer, and only a connection that found the file locked sleeps.
class LockWaits {
public:
    LockWaits() {
        s_base = sqlite3_vfs_find(nullptr);
        s_vfs = *s_base;
        s_vfs.zName = "zmsg-lock-waits";
        s_vfs.xSleep = &LockWaits::Sleep;
        s_self = this;
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~LockWaits() {
        sqlite3_vfs_unregister(&s_vfs);
        sqlite3_vfs_register(s_base, 1);
        s_self = nullptr;
    }
    LockWaits(const LockWaits&) = delete;
    LockWaits& operator=(const LockWaits&) = delete;

    // Called by the thread that might wait, once it is done either way.
    void Done() {
        std::lock_guard lock(m_lock);
        m_done = true;
        m_changed.notify_all();
    }
    // True once a connection waits for a lock; false when the thread was done without waiting.
    bool Waited() {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_waited || m_done; });
        return m_waited;
    }

private:
    static int Sleep(sqlite3_vfs* vfs, int microseconds) {
        if (LockWaits* self = s_self) {
            std::lock_guard lock(self->m_lock);
            self->m_waited = true;
            self->m_changed.notify_all();
        }
        (void)vfs;
        return s_base->xSleep(s_base, microseconds);
    }

    static inline sqlite3_vfs* s_base = nullptr;
    static inline sqlite3_vfs s_vfs{};
    static inline std::atomic<LockWaits*> s_self = nullptr;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_waited = false;
    bool m_done = false;
};

class SqlDirect : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        if (GetParam() == Kind::Odbc && !haveOdbcDriver())
            GTEST_SKIP() << "SQLite ODBC driver not installed (libsqliteodbc)";
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("store.db")).toStdString();
        ASSERT_TRUE(m_db.Open(connectionText(GetParam(), m_path))) << m_db.GetLastError();
        ASSERT_TRUE(m_db.IsOpen());
        exec("CREATE TABLE member (mem_code INT NOT NULL PRIMARY KEY, mem_name VARCHAR(40), mem_cel "
             "VARCHAR(20),"
             " mem_point INT, mem_edate DATETIME)");
    }
    void exec(const std::string& sql, int expected = 0) {
        EXPECT_EQ(m_db.ExecuteSQL(sql.c_str()), expected) << sql << ": " << m_db.GetLastError();
    }
    std::string count(const char* table = "member") {
        std::vector<std::vector<std::string>> rows;
        if (!m_db.DoQuery(std::string("SELECT COUNT(*) FROM ") + table, rows) || rows.size() != 1)
            return "<failed>";
        return rows[0][0];
    }

    QTemporaryDir m_dir;
    std::string m_path;
    CSQLDirect m_db;
};

TEST_P(SqlDirect, KoreanTextIsByteExactInsideAndUtf8InTheFile) {
    // Includes a syllable only CP949 (not EUC-KR) has, and a quote escaped the SQL way.
    const std::string name = K("똠방각하 '홍길동'");
    std::string escaped;
    for (char c : name)
        escaped += c == '\'' ? std::string("''") : std::string(1, c);
    exec("INSERT INTO member (mem_code, mem_name, mem_cel) VALUES (1, '" + escaped + "', '010-1234-5678')");

    ASSERT_EQ(
        m_db.ExecuteSQL(K("SELECT mem_name, mem_cel FROM member WHERE mem_name LIKE '%홍길동%'").c_str()), 0);
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(1), name);
    EXPECT_EQ(m_db.GetCol(2), "010-1234-5678");

    EXPECT_EQ(rawValue(m_path, "SELECT mem_name FROM member WHERE mem_code=1"), "똠방각하 '홍길동'");
}

TEST_P(SqlDirect, TextCp949CannotHoldComesBackAsQuestionMark) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    sqlite3_busy_timeout(other, 5000);
    ASSERT_EQ(sqlite3_exec(other, "INSERT INTO member (mem_code, mem_name) VALUES (2, 'A😀가')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(m_db.DoQuery("SELECT mem_name FROM member WHERE mem_code=2", rows)) << m_db.GetLastError();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "A?" + K("가"));
}

TEST_P(SqlDirect, StreamedReadAndInMemoryQuery) {
    exec(K("INSERT INTO member (mem_code, mem_name, mem_point) VALUES (1, '김민준', 10)"));
    exec(K("INSERT INTO member (mem_code, mem_name, mem_point) VALUES (2, '이서연', NULL)"));
    exec(K("INSERT INTO member (mem_code, mem_name, mem_point) VALUES (3, '', -5)"));

    ASSERT_EQ(m_db.ExecuteSQL("SELECT mem_code, mem_name, mem_point FROM member ORDER BY mem_code"), 0);
    EXPECT_EQ(m_db.GetCol(1), "") << "no row is current before the first Fetch";
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(1), "1");
    EXPECT_EQ(m_db.GetCol(2), K("김민준"));
    EXPECT_EQ(m_db.GetCol(2), K("김민준")) << "a column can be read twice";
    EXPECT_EQ(m_db.GetCol(3), "10");
    EXPECT_EQ(m_db.GetCol(0), "");
    EXPECT_EQ(m_db.GetCol(4), "");

    // A whole query in between does not disturb the streamed one.
    std::vector<std::vector<std::string>> rows = {{"stale"}};
    ASSERT_NE(
        m_db.DoQuery("SELECT mem_code, mem_point FROM member WHERE mem_code >= 2 ORDER BY mem_code", rows),
        0);
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"2", ""}, {"3", "-5"}}));

    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(1), "2");
    EXPECT_EQ(m_db.GetCol(3), "") << "NULL reads as empty";
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(2), "");
    EXPECT_EQ(m_db.Fetch(), 100);
    EXPECT_EQ(m_db.GetCol(1), "");
    EXPECT_EQ(m_db.Fetch(), 100);

    // An empty result is a success with no row, as the ccode lookups expect.
    EXPECT_EQ(m_db.ExecuteSQL("SELECT mem_name FROM member WHERE mem_code=99"), 0);
    EXPECT_EQ(m_db.Fetch(), 100);
    EXPECT_NE(m_db.DoQuery("SELECT mem_name FROM member WHERE mem_code=99", rows), 0);
    EXPECT_TRUE(rows.empty());

    // The module's own SQL Server forms work through either backend.
    ASSERT_EQ(m_db.ExecuteSQL("SELECT TOP 1 mem_code FROM member ORDER BY mem_code DESC"), 0);
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(1), "3");
}

TEST_P(SqlDirect, ReturnCodesAndErrors) {
    exec("INSERT INTO member (mem_code, mem_cel) VALUES (1, '010')");
    exec("UPDATE member SET mem_cel='*'+mem_cel, mem_edate=GETDATE() WHERE mem_code=1");
    exec("UPDATE member SET mem_cel='x' WHERE mem_code=2", 100);
    exec("DELETE member WHERE mem_code=2", 100);
    exec("INSERT INTO member (mem_code) SELECT mem_code + 10 FROM member WHERE 1=0", 100);

    const std::string idate =
        m_db.ExecuteSQL("SELECT mem_cel, mem_edate FROM member") == 0 && m_db.Fetch() == 0 ? m_db.GetCol(2)
                                                                                           : "";
    EXPECT_EQ(m_db.GetCol(1), "*010");
    EXPECT_EQ(idate.size(), 23u) << idate;

    EXPECT_EQ(m_db.ExecuteSQL("SELECT nosuchcolumn FROM member"), -1);
    EXPECT_NE(m_db.GetLastError().find("nosuchcolumn"), std::string::npos) << m_db.GetLastError();
    EXPECT_EQ(m_db.Fetch() == 0, false) << "a failed statement leaves no result to fetch";
    EXPECT_EQ(m_db.ExecuteSQL("INSERT INTO member (mem_code) VALUES (1)"), -1) << "duplicate key";
    EXPECT_FALSE(m_db.GetLastError().empty());
    std::vector<std::vector<std::string>> rows = {{"stale"}};
    EXPECT_EQ(m_db.DoQuery(K("SELECT 없는열 FROM member"), rows), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(m_db.ExecuteSQL(nullptr), -1);

    // After failures the connection goes on.
    exec("DELETE member WHERE mem_code=1");
    EXPECT_EQ(count(), "0");
    EXPECT_EQ(m_db.GetTimeFuncStr(), "GETDATE()");
}

TEST_P(SqlDirect, TransactionsLandTogetherOrNotAtAll) {
    ASSERT_TRUE(m_db.BeginTrans()) << m_db.GetLastError();
    EXPECT_FALSE(m_db.BeginTrans()) << "no nesting";
    exec("INSERT INTO member (mem_code) VALUES (1)");
    exec("INSERT INTO member (mem_code) VALUES (2)");
    ASSERT_TRUE(m_db.RollbackTrans()) << m_db.GetLastError();
    EXPECT_EQ(count(), "0");

    ASSERT_TRUE(m_db.BeginTrans());
    exec("INSERT INTO member (mem_code) VALUES (1)");
    ASSERT_EQ(m_db.ExecuteSQL("SELECT mem_code FROM member"), 0); // a result still open at commit
    ASSERT_TRUE(m_db.CommitTrans()) << m_db.GetLastError();
    EXPECT_EQ(count(), "1");
    EXPECT_EQ(rawValue(m_path, "SELECT COUNT(*) FROM member"), "1");

    EXPECT_FALSE(m_db.CommitTrans()) << "nothing to commit";
    EXPECT_FALSE(m_db.RollbackTrans());
    exec("INSERT INTO member (mem_code) VALUES (2)"); // back to autocommit
    EXPECT_EQ(rawValue(m_path, "SELECT COUNT(*) FROM member"), "2");
}

TEST_P(SqlDirect, ClosingRollsBackAnOpenTransaction) {
    ASSERT_TRUE(m_db.BeginTrans());
    exec("INSERT INTO member (mem_code) VALUES (1)");
    m_db.Close();
    EXPECT_FALSE(m_db.IsOpen());
    EXPECT_EQ(m_db.ExecuteSQL("SELECT 1"), -1);
    EXPECT_EQ(rawValue(m_path, "SELECT COUNT(*) FROM member"), "0");
}

TEST_P(SqlDirect, HostAndModuleShareTheFile) {
    LockWaits waits;
    CSQLDirect host; // the host's own connection, always the embedded one
    ASSERT_TRUE(host.Open("sqlite:" + m_path)) << host.GetLastError();
    EXPECT_EQ(rawValue(m_path, "PRAGMA journal_mode"), "wal");
    exec("INSERT INTO member (mem_code) VALUES (1)");
    exec("INSERT INTO member (mem_code) VALUES (2)");

    // The module reads row by row while the host writes.
    ASSERT_EQ(m_db.ExecuteSQL("SELECT mem_code FROM member ORDER BY mem_code"), 0);
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(host.ExecuteSQL("INSERT INTO member (mem_code) VALUES (3)"), 0) << host.GetLastError();
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(m_db.GetCol(1), "2");

    // A lookup read to its one row does not pin the module to the file as it was then.
    ASSERT_EQ(m_db.ExecuteSQL("SELECT mem_code FROM member WHERE mem_code=1"), 0);
    ASSERT_EQ(m_db.Fetch(), 0);
    EXPECT_EQ(host.ExecuteSQL("DELETE member WHERE mem_code=3"), 0) << host.GetLastError();
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(m_db.ExecuteSQL("UPDATE member SET mem_point=1 WHERE mem_code=3"), 100) << m_db.GetLastError();
    EXPECT_EQ(host.ExecuteSQL("INSERT INTO member (mem_code) VALUES (3)"), 0) << host.GetLastError();

    // An open write transaction hides its rows from the other side and does not block its reads.
    ASSERT_TRUE(m_db.BeginTrans());
    exec("INSERT INTO member (mem_code) VALUES (4)");
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(host.DoQuery("SELECT COUNT(*) FROM member", rows)) << host.GetLastError();
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"3"}}));

    // A writer arriving meanwhile waits for the lock instead of failing.
    int hostWrite = -2;
    std::thread writer([&] {
        hostWrite = host.ExecuteSQL("INSERT INTO member (mem_code) VALUES (5)");
        waits.Done();
    });
    const bool waited = waits.Waited();
    ASSERT_TRUE(m_db.CommitTrans()) << m_db.GetLastError();
    writer.join();
    EXPECT_TRUE(waited) << "the writer went ahead without meeting the lock";
    EXPECT_EQ(hostWrite, 0) << host.GetLastError();
    EXPECT_EQ(count(), "5");
}

INSTANTIATE_TEST_SUITE_P(Backends, SqlDirect, ::testing::Values(Kind::Sqlite, Kind::Odbc),
                         [](const auto& info) { return info.param == Kind::Sqlite ? "Sqlite" : "Odbc"; });

TEST(SqlDirectSqlite, OneStatementAtATime) {
    QTemporaryDir dir;
    CSQLDirect db;
    ASSERT_TRUE(db.Open("sqlite:" + dir.filePath(QStringLiteral("s.db")).toStdString()));
    ASSERT_EQ(db.ExecuteSQL("CREATE TABLE t (a INT);"), 0) << "a trailing ';' is fine";
    EXPECT_EQ(db.ExecuteSQL("INSERT INTO t VALUES (1); DROP TABLE t"), -1);
    EXPECT_EQ(db.ExecuteSQL("   "), -1);
    EXPECT_EQ(db.ExecuteSQL("-- only a comment"), -1);
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(db.DoQuery("SELECT COUNT(*) FROM t -- still there", rows)) << db.GetLastError();
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST(SqlDirectOpen, FailuresAreReportedNotThrown) {
    QTemporaryDir dir;
    const std::string notDb = dir.filePath(QStringLiteral("notes.txt")).toStdString();
    {
        QFile f(QString::fromStdString(notDb));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    std::vector<std::string> texts = {"",
                                      "sqlite:",
                                      "sqlite:" +
                                          dir.filePath(QStringLiteral("no/such/dir/x.db")).toStdString(),
                                      "sqlite:" + notDb,
                                      "postgres:host=x",
                                      "odbc:DRIVER=/no/such/driver.so;Database=/tmp/x.db",
                                      "odbc:DSN=zmsg-no-such-dsn",
                                      "odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";ZmsgCharset=EBCDIC"};
    for (const auto& text : texts) {
        CSQLDirect db;
        EXPECT_FALSE(db.Open(text)) << text;
        EXPECT_FALSE(db.IsOpen());
        EXPECT_FALSE(db.GetLastError().empty()) << text;
        EXPECT_EQ(db.ExecuteSQL("SELECT 1"), -1);
        EXPECT_NE(db.Fetch(), 0);
        EXPECT_EQ(db.GetCol(1), "");
        std::vector<std::vector<std::string>> rows;
        EXPECT_EQ(db.DoQuery("SELECT 1", rows), 0);
        EXPECT_FALSE(db.BeginTrans());
    }
}

// Without our options the ODBC backend is a plain pass-through, as a SQL Server store needs it.
TEST(SqlDirectOdbc, PassesStatementsAndBytesThroughUnchanged) {
    if (!haveOdbcDriver())
        GTEST_SKIP() << "SQLite ODBC driver not installed (libsqliteodbc)";
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("p.db")).toStdString();
    CSQLDirect db;
    ASSERT_TRUE(db.Open("odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";Database=" + path)) << db.GetLastError();
    ASSERT_EQ(db.ExecuteSQL("CREATE TABLE t (a VARCHAR(20))"), 0) << db.GetLastError();
    ASSERT_EQ(db.ExecuteSQL(K("INSERT INTO t VALUES ('한글')").c_str()), 0) << db.GetLastError();
    EXPECT_EQ(rawValue(path, "SELECT CAST(a AS BLOB) FROM t"), K("한글")) << "CP949 bytes stored as given";
    ASSERT_EQ(db.ExecuteSQL("SELECT a FROM t"), 0);
    ASSERT_EQ(db.Fetch(), 0);
    EXPECT_EQ(db.GetCol(1), K("한글"));
    // Not translated: SQLite does not know TOP, so the driver refuses it.
    EXPECT_EQ(db.ExecuteSQL("SELECT TOP 1 a FROM t"), -1);
    EXPECT_FALSE(db.GetLastError().empty());
}

} // namespace
