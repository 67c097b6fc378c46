// The store database object the host opens and hands to every export.
#pragma once

#include <memory>
#include <string>
#include <vector>

#if defined(ZMSGDB_BUILDING)
#define ZMSGDB_API __attribute__((visibility("default")))
#else
#define ZMSGDB_API
#endif

namespace zmsg::db {
class Backend;
}

// Return codes of ExecuteSQL, as ODBC gives them.
enum : int { SQL_OK = 0, SQL_OK_INFO = 1, SQL_NODATA = 100 };

class ZMSGDB_API CSQLDirect {
public:
    CSQLDirect();
    ~CSQLDirect();
    CSQLDirect(const CSQLDirect&) = delete;
    CSQLDirect& operator=(const CSQLDirect&) = delete;

    // "sqlite:PATH" (the embedded default) or "odbc:CONNECTION-STRING".
    bool Open(const std::string& connection);
    void Close();
    bool IsOpen() const;
    // The last failure's text, for the log.
    std::string GetLastError() const;

    // Statement text in CP949. 0 success (a SELECT leaves its result open), 1 success with
    // information, 100 no data; anything else is a failure.
    int ExecuteSQL(const char* sql);
    // 0 when the next row is current; 100 at the end.
    int Fetch();
    // Column 1 is the first of the SELECT list; CP949 text, empty for NULL.
    std::string GetCol(int column);
    // Non-zero when the query ran; rows holds every row, columns from index 0.
    int DoQuery(const std::string& sql, std::vector<std::vector<std::string>>& rows);
    // The server's current-time expression, pasted unquoted into statements.
    std::string GetTimeFuncStr() const;

    // Short transactions where one send's rows must land together.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();

private:
    std::unique_ptr<zmsg::db::Backend> m_backend;
    std::string m_openError; // why the last Open failed, while there is no backend to ask
};
