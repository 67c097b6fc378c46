#include "db/sqldirect.h"

#include "db/backend.h"
#include "db/connection.h"
#include "db/odbcbackend.h"
#include "db/sqlitebackend.h"

CSQLDirect::CSQLDirect() = default;
CSQLDirect::~CSQLDirect() = default;

bool CSQLDirect::Open(const std::string& connection) {
    Close();
    const auto parsed = zmsg::db::ParseConnection(connection, &m_openError);
    if (!parsed)
        return false;
    if (parsed->kind == zmsg::db::Connection::Kind::Sqlite)
        m_backend = zmsg::db::SqliteBackend::Open(parsed->target, &m_openError);
    else
        m_backend = zmsg::db::OdbcBackend::Open(*parsed, &m_openError);
    return m_backend != nullptr;
}

void CSQLDirect::Close() {
    m_backend.reset();
    m_openError.clear();
}

bool CSQLDirect::IsOpen() const {
    return m_backend != nullptr;
}

std::string CSQLDirect::GetLastError() const {
    if (m_backend)
        return m_backend->LastError();
    return m_openError.empty() ? std::string("database is not open") : m_openError;
}

int CSQLDirect::ExecuteSQL(const char* sql) {
    if (!m_backend || !sql)
        return -1;
    return m_backend->Execute(sql);
}

int CSQLDirect::Fetch() {
    return m_backend ? m_backend->Fetch() : -1;
}

std::string CSQLDirect::GetCol(int column) {
    return m_backend ? m_backend->Column(column) : std::string();
}

int CSQLDirect::DoQuery(const std::string& sql, std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    return m_backend && m_backend->Query(sql, rows) ? 1 : 0;
}

// Both backends understand it: SQL Server natively, SQLite through the statement translation.
std::string CSQLDirect::GetTimeFuncStr() const {
    return "GETDATE()";
}

bool CSQLDirect::BeginTrans() {
    return m_backend && m_backend->Begin();
}
bool CSQLDirect::CommitTrans() {
    return m_backend && m_backend->Commit();
}
bool CSQLDirect::RollbackTrans() {
    return m_backend && m_backend->Rollback();
}
