// SQL Server statements rewritten for SQLite, leaving literals and quoted names alone.
#pragma once

#include <string>
#include <string_view>

namespace zmsg::db {

// Rewrites the SQL Server forms the module writes into SQLite SQL that needs no registered function, so the
// same text also runs through the SQLite ODBC driver:
//   SELECT [DISTINCT] TOP n | TOP (n) ...   -> ... LIMIT n at the end of that (sub)query
//   DELETE table WHERE ...                  -> DELETE FROM table WHERE ...
//   GETDATE()                               -> local time as "YYYY-MM-DD HH:MM:SS.mmm"
//   DATEADD(unit, n, date)                  -> the same format; months and years end on the last day of a
//                                              shorter month, as SQL Server does
//   ISNULL(a, b) -> ifnull(a, b);  LEN(x) -> length without trailing blanks;  RIGHT/LEFT -> substr
//   CONVERT(type, x) -> CAST(x AS type);  N'...' -> '...'
//   a + b -> a || b when the '+' joins text: a chain of '+' at one level becomes '||' throughout when any of
//   its operands is a string literal, a text function (RIGHT, LEFT, SUBSTRING, LTRIM, RTRIM, REPLACE, UPPER,
//   LOWER, ...), a CAST/CONVERT to a character type or a parenthesised text expression. Operands are primary
//   terms; a column alone is not known to be text, so '*' + mem_cel converts and col1 + col2 does not.
//   <text operand> = 1234 -> <text operand> = '1234' (also <> and !=), as SQL Server converts the text
//   30AND -> 30 AND: a number and a word written together, which SQL Server reads as two tokens
//   table WITH (UPDLOCK, HOLDLOCK) -> table: table hints (a write transaction locks the file anyway)
// Anything else passes through byte for byte; what SQLite does not know then fails loudly there.
std::string TranslateToSqlite(std::string_view sql);

// True for INSERT, UPDATE and DELETE: the statements ODBC answers with "no data" when they touch no row.
bool ChangesRows(std::string_view sql);

} // namespace zmsg::db
