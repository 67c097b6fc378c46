// The code of a new refusal request on a SQL Server store: what the ODBC driver is handed when
// downloaded requests are stored. No SQL Server runs here; the driver manager's own trace shows the
// statement texts as a SQL Server store would receive them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QFile>
#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "host/demodb.h"
#include "optout/refusalstore.h"

namespace {

// On SQL Server a plain read of the highest code takes no lock that lasts to the commit: two machines
// storing at once would read the same code. The read is the transaction's first statement and holds
// its lock until the rows are in.
TEST(RefusalStoreOdbc, TheHighestCodeIsReadWithALockFirstInTheTransaction) {
    if (!QFile::exists(QStringLiteral(ZMSG_SQLITE_ODBC_DRIVER)))
        GTEST_SKIP() << "SQLite ODBC driver not installed (libsqliteodbc)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string trace = dir.filePath(QStringLiteral("trace.log")).toStdString();
    {
        std::ofstream ini(dir.filePath(QStringLiteral("odbcinst.ini")).toStdString());
        ini << "[ODBC]\nTrace=Yes\nTraceFile=" << trace << "\n";
    }
    // Read by the driver manager when this process first opens ODBC (nothing has before in this test).
    ::setenv("ODBCSYSINI", dir.path().toLocal8Bit().constData(), 1);
    const std::string path = dir.filePath(QStringLiteral("store.db")).toStdString();
    {
        CSQLDirect db;
        ASSERT_TRUE(db.Open("sqlite:" + path)) << db.GetLastError();
        ASSERT_TRUE(CreateStoreTables(db, nullptr));
    }
    // Without the dialect option the backend passes statements through as a SQL Server store needs.
    CSQLDirect db;
    ASSERT_TRUE(db.Open("odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";Database=" + path)) << db.GetLastError();
    // SQLite itself does not know TOP: the driver refuses the statement, and nothing is stored.
    const StoreOutcome out = StoreRequests(db, {{"20251201", "1", "0807001001", "01012345678"}}, 1);
    EXPECT_FALSE(out.ok);
    db.Close();

    std::ifstream in(trace);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    const size_t read =
        text.find("SQL = [SELECT TOP 1 sr_code FROM smsrefuse WITH (UPDLOCK, HOLDLOCK) ORDER BY "
                  "sr_code DESC]");
    ASSERT_NE(read, std::string::npos) << "no locking read in " << trace;
    EXPECT_EQ(text.find("SQL = ["), read) << "the locking read is the first statement";
    const size_t autocommitOff = text.find("SQL_ATTR_AUTOCOMMIT");
    ASSERT_NE(autocommitOff, std::string::npos) << "the read runs inside a transaction";
    EXPECT_LT(autocommitOff, read);
}

} // namespace
