// Every table and column of the store database that the module reads or writes, in one place.
// The sample database is created from it, and a store database can be checked against it.
#pragma once

#include <string>
#include <vector>

class CSQLDirect;

struct StoreColumn {
    const char* name;
    const char* type; // as a CREATE TABLE for the sample database writes it
};

struct StoreTable {
    const char* name;
    bool ownedByModule; // history tables the module writes; the others belong to the host
    std::vector<StoreColumn> columns;
    const char* primaryKey; // column list, or nullptr
};

const std::vector<StoreTable>& StoreTables();

// CREATE TABLE statements (and indexes) for a new store database.
std::vector<std::string> StoreSchemaStatements();

// Names the "table.column" pairs the module needs that the database lacks; empty when all are there.
// A table that cannot be read at all is reported as "table".
std::vector<std::string> MissingStoreColumns(CSQLDirect& db);
