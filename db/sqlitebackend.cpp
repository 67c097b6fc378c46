#include "db/sqlitebackend.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include "db/charset.h"
#include "db/dialect.h"

namespace zmsg::db {
namespace {

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtCloser>;

constexpr const char* kLostLog = "the store's write-ahead log was removed or replaced by another program "
                                 "while this connection wrote into it: the change did not reach the store";

} // namespace

sqlite3* SqliteBackend::Connect(const std::string& path, std::string* journalMode, std::string* error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = FromDatabase(Charset::Utf8, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // WAL lets the host read while the module writes. The pragma is also the first read of the file, so a
    // file that is no database fails here rather than at the first statement.
    sqlite3_stmt* raw = nullptr;
    int step = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &raw, nullptr);
    Stmt pragma(raw);
    if (step == SQLITE_OK)
        step = sqlite3_step(raw);
    if (step != SQLITE_ROW) {
        if (error)
            *error = FromDatabase(Charset::Utf8, sqlite3_errmsg(db));
        pragma.reset();
        sqlite3_close(db);
        return nullptr;
    }
    if (journalMode)
        *journalMode = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    pragma.reset();
    // A file just switched to WAL opens its log and index at its first read; the checks look for them.
    sqlite3_exec(db, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr);
    return db;
}

std::unique_ptr<SqliteBackend> SqliteBackend::Open(const std::string& path, std::string* error) {
    std::string mode;
    sqlite3* db = Connect(path, &mode, error);
    if (!db)
        return nullptr;
    std::unique_ptr<SqliteBackend> backend(new SqliteBackend(db, path));
    // The descriptors show the file by its real name, links resolved.
    const char* name = sqlite3_db_filename(db, "main");
    if (char* real = name && *name ? ::realpath(name, nullptr) : nullptr) {
        backend->m_file = real;
        std::free(real);
    }
    // Where the process's descriptors or their locks cannot be seen there is nothing to check against.
    backend->m_guard = mode == "wal" && !backend->m_file.empty() && backend->ownsFiles(true);
    return backend;
}

SqliteBackend::~SqliteBackend() {
    closeResult();
    // Closing checkpoints the log into the file when no other program holds the store; a log that is no
    // longer the store's would then overwrite what others wrote since.
    if (m_db && m_guard && !ownsFiles(false))
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(m_db);
}

namespace {

std::string LinkOf(int fd) {
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    char target[PATH_MAX + 16];
    const ssize_t n = ::readlink(proc, target, sizeof target);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// Whether this process holds a record lock that was taken through this descriptor.
bool HoldsPosixLock(int fd) {
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fdinfo/%d", fd);
    const int info = ::open(proc, O_RDONLY | O_CLOEXEC);
    if (info < 0)
        return false;
    char text[2048];
    const ssize_t n = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (n <= 0)
        return false;
    const std::string_view all(text, static_cast<size_t>(n));
    for (size_t at = all.find("lock:"); at != std::string_view::npos; at = all.find("lock:", at + 5)) {
        const std::string_view line = all.substr(at, all.find('\n', at) - at);
        if (line.find("POSIX") != std::string_view::npos)
            return true;
    }
    return false;
}

SqliteBackend::OpenFiles FindOpenFiles(const std::string& file) {
    SqliteBackend::OpenFiles out;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return out;
    constexpr std::string_view kDeleted = " (deleted)";
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const int fd = std::atoi(entry->d_name);
        if (fd == ::dirfd(dir))
            continue;
        const std::string link = LinkOf(fd);
        if (link.compare(0, file.size(), file) != 0)
            continue;
        std::string_view rest = std::string_view(link).substr(file.size());
        const bool deleted = rest.ends_with(kDeleted);
        if (deleted)
            rest.remove_suffix(kDeleted.size());
        std::vector<int>* kind = rest.empty()     ? &out.db
                                 : rest == "-wal" ? &out.wal
                                 : rest == "-shm" ? &out.shm
                                                  : nullptr;
        if (!kind)
            continue;
        if (deleted)
            out.deleted = true;
        else
            kind->push_back(fd);
    }
    ::closedir(dir);
    return out;
}

// A descriptor still names its file when its link does: a file deleted or renamed over since shows as
// "name (deleted)", one renamed away under its new name, a descriptor closed or reused as something else.
bool Names(const std::vector<int>& fds, const std::string& name) {
    return !fds.empty() &&
           std::all_of(fds.begin(), fds.end(), [&name](int fd) { return LinkOf(fd) == name; });
}

bool Holds(const SqliteBackend::OpenFiles& files, const std::string& file, bool locks) {
    if (files.deleted || !Names(files.wal, file + "-wal") || !Names(files.shm, file + "-shm"))
        return false;
    if (!locks)
        return true;
    // SQLite keeps a read lock on the store for as long as it is open in WAL mode, and one on the index.
    return Names(files.db, file) && std::any_of(files.db.begin(), files.db.end(), HoldsPosixLock) &&
           std::any_of(files.shm.begin(), files.shm.end(), HoldsPosixLock);
}

} // namespace

bool SqliteBackend::ownsFiles(bool locks) {
    if (Holds(m_files, m_file, locks))
        return true;
    // Descriptors opened since the last look (another connection of this process) may carry the locks.
    m_files = FindOpenFiles(m_file);
    return Holds(m_files, m_file, locks);
}

bool SqliteBackend::reopen() {
    closeResult();
    if (m_db) {
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    std::string mode;
    m_db = Connect(m_path, &mode, &m_error);
    m_guard = m_guard && mode == "wal";
    m_files = {};
    return m_db != nullptr;
}

bool SqliteBackend::connected() {
    return m_db || reopen();
}

sqlite3_stmt* SqliteBackend::prepareChecked(std::string_view cp949, bool& commits) {
    commits = false;
    if (!connected())
        return nullptr;
    Stmt stmt(prepare(cp949));
    if (!stmt)
        return nullptr;
    commits = m_guard && !sqlite3_stmt_readonly(stmt.get()) && sqlite3_get_autocommit(m_db);
    if (!commits || ownsFiles(true))
        return stmt.release();
    stmt.reset();
    return reopen() ? prepare(cp949) : nullptr;
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
    if (!m_db) {
        m_error = "the store is not open";
        return false;
    }
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
    bool commits = false;
    Stmt stmt(prepareChecked(sql, commits));
    if (!stmt)
        return -1;
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failed();
    if (commits && !ownsFiles(false)) {
        m_error = kLostLog;
        return -1;
    }
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
    bool commits = false;
    Stmt stmt(prepareChecked(sql, commits));
    if (!stmt)
        return false;
    const int columns = sqlite3_column_count(stmt.get());
    for (;;) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE) {
            if (commits && !ownsFiles(false)) {
                m_error = kLostLog;
                rows.clear();
                return false;
            }
            return true;
        }
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
    if (!connected())
        return false;
    if (!sqlite3_get_autocommit(m_db)) {
        m_error = "a transaction is already open";
        return false;
    }
    closeResult();
    // Outside a transaction the connection can still be replaced; inside one it must stay.
    if (m_guard && !ownsFiles(true) && !reopen())
        return false;
    // IMMEDIATE takes the write lock now, where the busy time-out can wait for it; a deferred transaction
    // that reads first could not wait later and would fail at its first write.
    return run("BEGIN IMMEDIATE");
}

bool SqliteBackend::Commit() {
    closeResult();
    if (!run("COMMIT"))
        return false;
    // Committed into a log another program has since deleted: nobody will ever read it. The next write
    // opens the store again.
    if (m_guard && !ownsFiles(false)) {
        m_error = kLostLog;
        return false;
    }
    return true;
}

bool SqliteBackend::Rollback() {
    closeResult();
    return run("ROLLBACK");
}

} // namespace zmsg::db
