// The demo's sample store database, checked with the SQLite library itself: what sqlite3 or any other tool
// sees in the file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sqlite3.h>

#include "host/demodb.h"

namespace {

class DemoFile {
public:
    explicit DemoFile(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~DemoFile() { sqlite3_close(m_db); }
    // The first column of every row, as stored.
    std::vector<std::string> column(const std::string& sql) const {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return {"<error: " + std::string(sqlite3_errmsg(m_db)) + ">"};
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            out.emplace_back(text ? text : "<null>");
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::string value(const std::string& sql) const {
        const auto c = column(sql);
        return c.size() == 1 ? c[0] : "<" + std::to_string(c.size()) + " rows>";
    }

private:
    sqlite3* m_db = nullptr;
};

TEST(DemoDatabase, FileHoldsTheStoreTablesWithUtf8Texts) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("demo.db")).toStdString();
    std::string error;
    ASSERT_TRUE(CreateDemoDatabase(path, &error)) << error;
    EXPECT_FALSE(CreateDemoDatabase(path, &error)) << "an existing file is never overwritten";
    EXPECT_NE(error.find("exists"), std::string::npos) << error;

    const DemoFile file(path);
    EXPECT_EQ(file.value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(file.column("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"),
              (std::vector<std::string>{"ccode", "employee", "member", "memlog", "smslist", "smsrefuse",
                                        "smssend", "supplier"}));

    // What any tool shows of the store: its settings and people in readable UTF-8.
    for (const auto& [sql, expected] : std::vector<std::pair<std::string, std::string>>{
             {"SELECT cc_maxcode FROM ccode WHERE cc_code=7", "1001"}, // the simulator's demo store
             {"SELECT cc_strval FROM ccode WHERE cc_code=21", "행복마트"},
             {"SELECT cc_strval FROM ccode WHERE cc_code=25", "02-1234-5678"},
             {"SELECT title FROM employee WHERE code=1", "점장"},
             {"SELECT COUNT(*) FROM smssend", "0"},
         })
        EXPECT_EQ(file.value(sql), expected) << sql;
    // Names are Hangul in UTF-8, not CP949 bytes.
    EXPECT_EQ(
        file.value("SELECT COUNT(*) > 0 AND COUNT(*) = SUM(mem_name GLOB '[가-힣][가-힣]*') FROM member"),
        "1");
    EXPECT_EQ(file.value("SELECT COUNT(*) > 0 AND COUNT(*) = SUM(sup_bzname GLOB '*[가-힣]') FROM supplier"),
              "1");
}

} // namespace
