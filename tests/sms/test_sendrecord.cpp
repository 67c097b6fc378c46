// The local send code of a SQL Server store: what the ODBC driver is handed when a send is recorded.
// No SQL Server runs here; the driver manager's own trace shows the statement texts as they reach the
// driver, which is what a SQL Server store would receive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QFile>
#include <QTemporaryDir>

#include "center/send/sendrecord.h"
#include "db/sqldirect.h"
#include "host/demodb.h"

namespace {

// Every statement text in a unixODBC trace ("SQL = [text][length = n]"), in order.
std::vector<std::string> TracedStatements(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find("SQL = [");
        if (at == std::string::npos)
            continue;
        const size_t from = at + 7;
        const size_t to = line.rfind("][length");
        out.push_back(line.substr(from, to == std::string::npos ? std::string::npos : to - from));
    }
    return out;
}

// On SQL Server a plain read of the highest code takes no lock that lasts to the commit: two machines
// recording at once read the same code. The read that allocates it must be the transaction's first
// statement and must hold its lock (UPDLOCK, HOLDLOCK); the check for an already written send follows
// it, so a recorder that waited sees the other one's rows.
TEST(SendRecordOdbc, TheHighestCodeIsReadWithALockFirstInTheTransaction) {
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
    // Without our dialect option the backend passes statements through as a SQL Server store needs.
    CSQLDirect db;
    ASSERT_TRUE(db.Open("odbc:DRIVER=" ZMSG_SQLITE_ODBC_DRIVER ";Database=" + path)) << db.GetLastError();
    PendingSend send;
    send.centerCode = 4711;
    send.callSent = 1;
    send.callback = "0212345678";
    send.message = "m";
    send.recipients.push_back({1, "01012345678"});
    // SQLite itself does not know TOP: the driver refuses the statement, which is all this needs.
    RecordSend(db, send);
    db.Close();

    const std::vector<std::string> statements = TracedStatements(trace);
    ASSERT_FALSE(statements.empty()) << "no trace in " << trace;
    EXPECT_EQ(statements.front(),
              "SELECT TOP 1 ss_code FROM smssend WITH (UPDLOCK, HOLDLOCK) ORDER BY ss_code DESC");
    std::ifstream in(trace);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    const size_t autocommitOff = text.find("SQL_ATTR_AUTOCOMMIT");
    ASSERT_NE(autocommitOff, std::string::npos) << "the read runs inside a transaction";
    EXPECT_LT(autocommitOff, text.find("SQL = [SELECT TOP 1 ss_code FROM smssend WITH"));
}

} // namespace
