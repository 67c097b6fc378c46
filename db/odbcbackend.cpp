#include "db/odbcbackend.h"

#include <sqlext.h>

#include <algorithm>

#include "db/charset.h"
#include "db/dialect.h"

namespace zmsg::db {
namespace {

bool ok(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace

std::unique_ptr<OdbcBackend> OdbcBackend::Open(const Connection& connection, std::string* error) {
    std::unique_ptr<OdbcBackend> b(new OdbcBackend(connection));
    auto fail = [&](std::string why) -> std::unique_ptr<OdbcBackend> {
        if (error)
            *error = why.empty() ? std::string("ODBC connection failed") : std::move(why);
        return nullptr;
    };
    if (!ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &b->m_env)))
        return fail("no ODBC environment");
    SQLSetEnvAttr(b->m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!ok(SQLAllocHandle(SQL_HANDLE_DBC, b->m_env, &b->m_dbc))) {
        b->remember(SQL_HANDLE_ENV, b->m_env);
        return fail(b->m_error);
    }
    // The connection string may name a server's password: it goes to the driver only, never to a message.
    std::string text = connection.target;
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(b->m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                          static_cast<SQLSMALLINT>(text.size()), out, sizeof out, &outLength,
                                          SQL_DRIVER_NOPROMPT);
    if (!ok(rc)) {
        b->remember(SQL_HANDLE_DBC, b->m_dbc);
        return fail(b->m_error);
    }
    b->m_connected = true;
    b->m_error.clear();
    return b;
}

OdbcBackend::~OdbcBackend() {
    closeResult();
    if (m_connected) {
        SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK); // an unfinished transaction is not kept
        SQLDisconnect(m_dbc);
    }
    if (m_dbc != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    if (m_env != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

void OdbcBackend::remember(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1;
         ok(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length)); ++i) {
        if (!text.empty())
            text += "; ";
        text += "[";
        text += reinterpret_cast<const char*>(state);
        text += "] ";
        const size_t n = std::min<size_t>(static_cast<size_t>(length < 0 ? 0 : length), sizeof message - 1);
        text.append(reinterpret_cast<const char*>(message), n);
    }
    m_error = FromDatabase(m_charset, text);
}

void OdbcBackend::closeResult() {
    if (m_result != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, m_result);
    m_result = SQL_NULL_HSTMT;
    m_row.clear();
    m_onRow = false;
}

std::string OdbcBackend::statementText(std::string_view cp949) const {
    // CP949 trail bytes are never quotes or brackets, so translating before converting is safe either way.
    const std::string text = ToDatabase(m_charset, cp949);
    return m_dialect ? TranslateToSqlite(text) : text;
}

int OdbcBackend::execute(std::string_view sql, SQLHSTMT& stmt) {
    stmt = SQL_NULL_HSTMT;
    if (!ok(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt))) {
        remember(SQL_HANDLE_DBC, m_dbc);
        return -1;
    }
    std::string text = statementText(sql);
    const SQLRETURN rc =
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (rc == SQL_NO_DATA)
        return 100;
    if (!ok(rc)) {
        remember(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        stmt = SQL_NULL_HSTMT;
        return -1;
    }
    if (rc == SQL_SUCCESS_WITH_INFO)
        remember(SQL_HANDLE_STMT, stmt);
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    if (columns == 0 && ChangesRows(text)) {
        // ODBC says "no data" for a change that touched nothing; not every driver does, and the module
        // relies on it.
        SQLLEN count = -1;
        if (ok(SQLRowCount(stmt, &count)) && count == 0)
            return 100;
    }
    return rc == SQL_SUCCESS_WITH_INFO ? 1 : 0;
}

int OdbcBackend::Execute(std::string_view sql) {
    closeResult();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    const int rc = execute(sql, stmt);
    SQLSMALLINT columns = 0;
    if (stmt != SQL_NULL_HSTMT && rc != 100 && ok(SQLNumResultCols(stmt, &columns)) && columns > 0)
        m_result = stmt;
    else if (stmt != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rc;
}

bool OdbcBackend::readRow(SQLHSTMT stmt, std::vector<std::optional<std::string>>& row) {
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    row.assign(static_cast<size_t>(columns), std::nullopt);
    for (SQLSMALLINT c = 1; c <= columns; ++c) {
        std::string value;
        char buffer[4096];
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc =
                SQLGetData(stmt, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!ok(rc)) {
                remember(SQL_HANDLE_STMT, stmt);
                return false;
            }
            if (indicator == SQL_NULL_DATA)
                break;
            // A long value comes in pieces, each ending in a terminator that is not part of the data.
            const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                              (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer));
            const size_t n = more ? sizeof buffer - 1 : static_cast<size_t>(indicator);
            value.append(buffer, std::min(n, sizeof buffer - 1));
            if (!more) {
                row[static_cast<size_t>(c - 1)] = FromDatabase(m_charset, value);
                break;
            }
        }
        if (!row[static_cast<size_t>(c - 1)] && !value.empty())
            row[static_cast<size_t>(c - 1)] = FromDatabase(m_charset, value);
    }
    return true;
}

int OdbcBackend::Fetch() {
    if (m_result == SQL_NULL_HSTMT) {
        m_error = "no open result";
        return -1;
    }
    m_onRow = false;
    const SQLRETURN rc = SQLFetch(m_result);
    if (rc == SQL_NO_DATA)
        return 100;
    if (!ok(rc)) {
        remember(SQL_HANDLE_STMT, m_result);
        return -1;
    }
    if (!readRow(m_result, m_row))
        return -1;
    m_onRow = true;
    return 0;
}

std::string OdbcBackend::Column(int column) {
    if (!m_onRow || column < 1 || column > static_cast<int>(m_row.size()))
        return {};
    return m_row[static_cast<size_t>(column - 1)].value_or(std::string());
}

bool OdbcBackend::Query(std::string_view sql, Rows& rows) {
    rows.clear();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    const int rc = execute(sql, stmt);
    if (rc < 0)
        return false;
    bool good = true;
    SQLSMALLINT columns = 0;
    if (stmt != SQL_NULL_HSTMT && ok(SQLNumResultCols(stmt, &columns)) && columns > 0) {
        std::vector<std::optional<std::string>> row;
        for (;;) {
            const SQLRETURN f = SQLFetch(stmt);
            if (f == SQL_NO_DATA)
                break;
            if (!ok(f)) {
                remember(SQL_HANDLE_STMT, stmt);
                good = false;
                break;
            }
            if (!readRow(stmt, row)) {
                good = false;
                break;
            }
            auto& out = rows.emplace_back();
            for (auto& value : row)
                out.push_back(value.value_or(std::string()));
        }
    }
    if (stmt != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (!good)
        rows.clear();
    return good;
}

bool OdbcBackend::Begin() {
    SQLUINTEGER autocommit = SQL_AUTOCOMMIT_ON;
    SQLGetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr);
    if (autocommit == SQL_AUTOCOMMIT_OFF) {
        m_error = "a transaction is already open";
        return false;
    }
    closeResult();
    if (!ok(SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                              0))) {
        remember(SQL_HANDLE_DBC, m_dbc);
        return false;
    }
    return true;
}

bool OdbcBackend::endTransaction(SQLSMALLINT completion) {
    SQLUINTEGER autocommit = SQL_AUTOCOMMIT_ON;
    SQLGetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr);
    if (autocommit != SQL_AUTOCOMMIT_OFF) {
        m_error = "no transaction is open";
        return false;
    }
    closeResult();
    if (!ok(SQLEndTran(SQL_HANDLE_DBC, m_dbc, completion))) {
        remember(SQL_HANDLE_DBC, m_dbc);
        return false; // still open: the caller may roll back
    }
    SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    return true;
}

bool OdbcBackend::Commit() {
    return endTransaction(SQL_COMMIT);
}
bool OdbcBackend::Rollback() {
    return endTransaction(SQL_ROLLBACK);
}

} // namespace zmsg::db
