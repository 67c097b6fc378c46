// The embedded store database: one SQLite file shared by the host and the module.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/backend.h"

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

    // The descriptors this process holds on the store, its write-ahead log and its shared-memory index.
    struct OpenFiles {
        std::vector<int> db, wal, shm;
        bool deleted = false; // one of them names a file no longer on disk
    };

private:
    SqliteBackend(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}
    static sqlite3* Connect(const std::string& path, std::string* journalMode, std::string* error);
    // Exactly one statement, translated and in UTF-8; nullptr (and m_error) otherwise.
    sqlite3_stmt* prepare(std::string_view cp949);
    // The same; commits tells a statement that changes the file outside a transaction, a commit of its
    // own, before which the connection was made the store's again if it was not.
    sqlite3_stmt* prepareChecked(std::string_view cp949, bool& commits);
    // Whether the connection's log and index are still the store's and, with locks, whether the store is
    // too and this process still holds SQLite's locks on it and its index. Any open and close of the store's
    // files elsewhere in the process (a file dialog reading each file's type, a copy) drops the locks; the
    // next program to close the store then believes itself the last user and deletes the log this connection
    // writes into.
    bool ownsFiles(bool locks);
    // Closes the connection without a checkpoint (its log may no longer be the store's) and opens it
    // again; a failed open leaves no connection, and the next statement tries once more.
    bool reopen();
    bool connected();
    bool run(const char* sql);
    int failed();
    void closeResult();
    std::string text(sqlite3_stmt* stmt, int index) const;

    sqlite3* m_db;
    std::string m_path;   // as given to Open
    std::string m_file;   // the store's file name as the process's descriptors show it
    bool m_guard = false; // the descriptors and locks can be seen (/proc) and so are checked
    OpenFiles m_files;    // as found last
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
