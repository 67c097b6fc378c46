// A store database reached through unixODBC: SQL Server over FreeTDS in the stores.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sql.h>

#include "db/backend.h"
#include "db/connection.h"

namespace zmsg::db {

class OdbcBackend final : public Backend {
public:
    // nullptr and the driver's reason when the connection fails.
    static std::unique_ptr<OdbcBackend> Open(const Connection& connection, std::string* error);
    ~OdbcBackend() override;

    int Execute(std::string_view sql) override;
    int Fetch() override;
    std::string Column(int column) override;
    bool Query(std::string_view sql, Rows& rows) override;
    bool Begin() override;
    bool Commit() override;
    bool Rollback() override;
    std::string LastError() const override { return m_error; }

private:
    explicit OdbcBackend(const Connection& connection)
        : m_charset(connection.charset), m_dialect(connection.sqliteDialect) {}
    std::string statementText(std::string_view cp949) const;
    // Runs a statement on a new handle: the ODBC code (0, 1, 100) or -1.
    int execute(std::string_view sql, SQLHSTMT& stmt);
    // Every column of the current row, read once: drivers give each column only once and in order.
    bool readRow(SQLHSTMT stmt, std::vector<std::optional<std::string>>& row);
    void remember(SQLSMALLINT type, SQLHANDLE handle);
    void closeResult();
    bool endTransaction(SQLSMALLINT completion);

    Charset m_charset;
    bool m_dialect;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    SQLHSTMT m_result = SQL_NULL_HSTMT;
    std::vector<std::optional<std::string>> m_row;
    bool m_onRow = false;
    std::string m_error;
};

} // namespace zmsg::db
