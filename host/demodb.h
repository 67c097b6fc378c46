// The sample store database of the demo and the tests.
#pragma once

#include <string>

class CSQLDirect;

// Creates every table the module reads or writes, in an open database.
bool CreateStoreTables(CSQLDirect& db, std::string* error);
// Creates a new SQLite file with the tables, the store settings and sample people.
bool CreateDemoDatabase(const std::string& path, std::string* error);
