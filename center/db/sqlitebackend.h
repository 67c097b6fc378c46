// The embedded store database: one SQLite file shared by the host and the module.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "center/db/backend.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zmsg::db {

class SqliteBackend final : public Backend {
public:
    // Opens or creates the file in WAL mode with a busy time-out; nullptr and the reason on failure.
    static std::unique_ptr<SqliteBackend> Open(const std::string& path, std::string* error);
    ~SqliteBackend() override;

    int Execute(std::string_view sql) override;
    int Fetch() override;
    std::string Column(int column) override;
    bool Query(std::string_view sql, Rows& rows) override;
    bool Begin() override;
    bool Commit() override;
    bool Rollback() override;
    std::string LastError() const override { return m_error; }

    static constexpr int kBusyTimeoutMs = 5000;

private:
    explicit SqliteBackend(sqlite3* db) : m_db(db) {}
    // Exactly one statement, translated and in UTF-8; nullptr (and m_error) otherwise.
    sqlite3_stmt* prepare(std::string_view cp949);
    bool run(const char* sql);
    int failed();
    void closeResult();
    std::string text(sqlite3_stmt* stmt, int index) const;

    sqlite3* m_db;
    // The open result runs one row ahead of the caller, so a result read to its last row is finished at once
    // and does not hold its read snapshot (stale reads, a WAL that cannot be checkpointed) while the
    // caller, having read the one row of a lookup, goes on to other things.
    sqlite3_stmt* m_result = nullptr; // nullptr once the result is exhausted
    bool m_open = false;              // a result set is open, exhausted or not
    bool m_ahead = false;             // m_result holds a row not yet handed out
    bool m_aheadFailed = false;       // stepping ahead failed: the next Fetch reports it
    bool m_onRow = false;
    std::vector<std::string> m_row; // the current row, CP949
    std::string m_error;
};

} // namespace zmsg::db
