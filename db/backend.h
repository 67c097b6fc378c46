// One open connection behind CSQLDirect: SQLite file or ODBC data source.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zmsg::db {

using Rows = std::vector<std::vector<std::string>>;

// Text in and out is CP949; each backend converts at its own edge.
class Backend {
public:
    virtual ~Backend() = default;

    // 0, 1 or 100 as ODBC gives them, -1 on failure (its text then in LastError). A statement that yields
    // rows leaves them open for Fetch.
    virtual int Execute(std::string_view sql) = 0;
    // 0 when the next row is current, 100 at the end, -1 on failure or with no open result.
    virtual int Fetch() = 0;
    // Column 1 is the first; empty for NULL, out of range or no current row.
    virtual std::string Column(int column) = 0;
    // Every row of the statement, without touching a result Execute left open.
    virtual bool Query(std::string_view sql, Rows& rows) = 0;

    virtual bool Begin() = 0;
    virtual bool Commit() = 0;
    virtual bool Rollback() = 0;

    virtual std::string LastError() const = 0;
};

} // namespace zmsg::db
