#include "center/db/sqlitebackend.h"

#include <sqlite3.h>

#include "center/db/charset.h"
#include "center/db/dialect.h"

namespace zmsg::db {
namespace {

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtCloser>;

} // namespace

std::unique_ptr<SqliteBackend> SqliteBackend::Open(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = FromDatabase(Charset::Utf8, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<SqliteBackend> backend(new SqliteBackend(db));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // WAL lets the host read while the module writes. The pragma is also the first read of the file, so a
    // file that is no database fails here rather than at the first statement.
    if (!backend->run("PRAGMA journal_mode=WAL")) {
        if (error)
            *error = backend->m_error;
        return nullptr;
    }
    return backend;
}

SqliteBackend::~SqliteBackend() {
    closeResult();
    sqlite3_close_v2(m_db);
}

void SqliteBackend::closeResult() {
    sqlite3_finalize(m_result);
    m_result = nullptr;
    m_open = m_ahead = m_aheadFailed = m_onRow = false;
    m_row.clear();
}

int SqliteBackend::failed() {
    m_error = FromDatabase(Charset::Utf8, sqlite3_errmsg(m_db));
    return -1;
}

bool SqliteBackend::run(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = FromDatabase(Charset::Utf8, message ? message : sqlite3_errmsg(m_db));
    sqlite3_free(message);
    return false;
}

sqlite3_stmt* SqliteBackend::prepare(std::string_view cp949) {
    const std::string sql = TranslateToSqlite(ToDatabase(Charset::Utf8, cp949));
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &raw, &tail) != SQLITE_OK) {
        failed();
        return nullptr;
    }
    Stmt stmt(raw);
    if (!stmt) {
        m_error = "empty statement";
        return nullptr;
    }
    // A second statement after ';' would be silently dropped: refuse the whole text instead.
    sqlite3_stmt* rest = nullptr;
    const int remaining = static_cast<int>(sql.data() + sql.size() - tail);
    if (sqlite3_prepare_v2(m_db, tail, remaining, &rest, nullptr) != SQLITE_OK || rest) {
        sqlite3_finalize(rest);
        m_error = "one statement at a time";
        return nullptr;
    }
    return stmt.release();
}

int SqliteBackend::Execute(std::string_view sql) {
    closeResult();
    Stmt stmt(prepare(sql));
    if (!stmt)
        return -1;
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failed();
    if (sqlite3_column_count(stmt.get()) > 0) {
        m_open = true;
        m_ahead = rc == SQLITE_ROW;
        if (m_ahead)
            m_result = stmt.release();
        return 0;
    }
    // As ODBC: a change that touched no row is "no data". sqlite3_changes() only means something after
    // INSERT, UPDATE or DELETE.
    if (ChangesRows(sqlite3_sql(stmt.get())) && sqlite3_changes(m_db) == 0)
        return 100;
    return 0;
}

int SqliteBackend::Fetch() {
    if (!m_open) {
        m_error = "no open result";
        return -1;
    }
    m_onRow = false;
    m_row.clear();
    if (m_aheadFailed) {
        m_aheadFailed = false;
        return -1;
    }
    if (!m_ahead)
        return 100;
    const int columns = sqlite3_column_count(m_result);
    m_row.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c)
        m_row.push_back(text(m_result, c));
    m_onRow = true;
    const int rc = sqlite3_step(m_result);
    m_ahead = rc == SQLITE_ROW;
    if (!m_ahead) {
        if (rc != SQLITE_DONE) {
            failed();
            m_aheadFailed = true;
        }
        sqlite3_finalize(m_result);
        m_result = nullptr;
    }
    return 0;
}

std::string SqliteBackend::text(sqlite3_stmt* stmt, int index) const {
    const int type = sqlite3_column_type(stmt, index);
    if (type == SQLITE_NULL)
        return {};
    if (type == SQLITE_BLOB) {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, index));
        return std::string(data ? data : "", static_cast<size_t>(sqlite3_column_bytes(stmt, index)));
    }
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
    return FromDatabase(
        Charset::Utf8,
        std::string_view(chars ? chars : "", static_cast<size_t>(sqlite3_column_bytes(stmt, index))));
}

std::string SqliteBackend::Column(int column) {
    if (!m_onRow || column < 1 || column > static_cast<int>(m_row.size()))
        return {};
    return m_row[static_cast<size_t>(column - 1)];
}

bool SqliteBackend::Query(std::string_view sql, Rows& rows) {
    rows.clear();
    Stmt stmt(prepare(sql));
    if (!stmt)
        return false;
    const int columns = sqlite3_column_count(stmt.get());
    for (;;) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            failed();
            rows.clear();
            return false;
        }
        auto& row = rows.emplace_back();
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(text(stmt.get(), c));
    }
}

bool SqliteBackend::Begin() {
    if (!sqlite3_get_autocommit(m_db)) {
        m_error = "a transaction is already open";
        return false;
    }
    // IMMEDIATE takes the write lock now, where the busy time-out can wait for it; a deferred transaction
    // that reads first could not wait later and would fail at its first write.
    closeResult();
    return run("BEGIN IMMEDIATE");
}

bool SqliteBackend::Commit() {
    closeResult();
    return run("COMMIT");
}

bool SqliteBackend::Rollback() {
    closeResult();
    return run("ROLLBACK");
}

} // namespace zmsg::db
