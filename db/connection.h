// The host's connection text: "sqlite:PATH" or "odbc:CONNECTION-STRING".
#pragma once

#include <optional>
#include <string>

#include "db/charset.h"

namespace zmsg::db {

struct Connection {
    enum class Kind { Sqlite, Odbc };
    Kind kind = Kind::Sqlite;
    // The file path, or the ODBC connection string without the options below.
    std::string target;
    // ODBC options of our own, removed before the driver sees the string:
    //   ZmsgDialect=sqlite   translate SQL Server statements for a SQLite driver (default: pass them through)
    //   ZmsgCharset=UTF-8    the driver speaks UTF-8 (default: CP949 bytes pass through)
    bool sqliteDialect = false;
    Charset charset = Charset::Cp949;
};

std::optional<Connection> ParseConnection(const std::string& text, std::string* error);

} // namespace zmsg::db
