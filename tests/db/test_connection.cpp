// The host's connection text: which backend, what the driver gets, and our own options.
#include <gtest/gtest.h>

#include "db/connection.h"

namespace {

using zmsg::db::Charset;
using zmsg::db::Connection;
using zmsg::db::ParseConnection;

TEST(Connection, TextsGiveBackendTargetAndOptions) {
    const struct {
        const char* text;
        Connection::Kind kind;
        const char* target;
        bool sqliteDialect;
        Charset charset;
    } rows[] = {
        {"sqlite:/var/store/store.db", Connection::Kind::Sqlite, "/var/store/store.db", true, Charset::Utf8},
        {"SQLite:rel/x.db", Connection::Kind::Sqlite, "rel/x.db", true, Charset::Utf8},
        {"odbc:DSN=store;UID=sa;PWD=x", Connection::Kind::Odbc, "DSN=store;UID=sa;PWD=x", false,
         Charset::Cp949},
        {"odbc:DRIVER=/d.so;Database=/t.db;ZmsgDialect=sqlite;ZmsgCharset=UTF-8", Connection::Kind::Odbc,
         "DRIVER=/d.so;Database=/t.db", true, Charset::Utf8},
        {"odbc:zmsgcharset = utf8 ;DSN=a;zmsgdialect=SQLITE;", Connection::Kind::Odbc, "DSN=a", true,
         Charset::Utf8},
        {"odbc:DSN=a;ZmsgDialect=mssql;ZmsgCharset=CP949", Connection::Kind::Odbc, "DSN=a", false,
         Charset::Cp949},
        // A braced value keeps its ';' and is never taken for one of our options.
        {"odbc:DRIVER={Free TDS};PWD={a;ZmsgDialect=sqlite}", Connection::Kind::Odbc,
         "DRIVER={Free TDS};PWD={a;ZmsgDialect=sqlite}", false, Charset::Cp949},
    };
    for (const auto& row : rows) {
        std::string error;
        const auto c = ParseConnection(row.text, &error);
        ASSERT_TRUE(c) << row.text << ": " << error;
        EXPECT_EQ(c->kind, row.kind) << row.text;
        EXPECT_EQ(c->target, row.target) << row.text;
        EXPECT_EQ(c->sqliteDialect, row.sqliteDialect) << row.text;
        EXPECT_EQ(c->charset, row.charset) << row.text;
    }
}

TEST(Connection, BadTextsSayWhy) {
    for (const char* text :
         {"", "sqlite:", "mysql:host=x", "/var/store.db", "odbc:", "odbc:ZmsgDialect=sqlite",
          "odbc:DSN=a;ZmsgCharset=latin1", "odbc:DSN=a;ZmsgDialect=oracle"}) {
        std::string error;
        EXPECT_FALSE(ParseConnection(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

} // namespace
