// A store database of the test's own (a SQLite file with every table the module uses), with helpers
// to put members and sends in and to read back what the opt-out operations left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "db/sqldirect.h"

class OptOutStore {
public:
    OptOutStore();
    bool ok() const { return m_ok; }
    CSQLDirect& db() { return m_db; }
    std::string path() const { return m_path; }

    // A member whose number is stored as given, or masked when masked is true.
    void AddMember(int32_t code, const std::string& cel, int apply = 0, int status = 1, bool masked = false);
    // A recorded send with these recipients (numbers stored masked), by default a refusal notice.
    void AddSend(int32_t code, const std::vector<std::string>& phones, int target = 3);

    // Every row of a query, columns as text; fails the test when the query fails.
    std::vector<std::vector<std::string>> Rows(const std::string& sql);
    std::string Value(const std::string& sql);
    int Count(const std::string& table);
    // sr_status of a request by code (-9 when there is none).
    int StatusOf(int32_t code);
    // Every refusal request as "day time restored-number status", in code order.
    std::vector<std::string> Requests();

private:
    QTemporaryDir m_dir;
    std::string m_path;
    CSQLDirect m_db;
    bool m_ok = false;
};
