#include "tests/sms/dialogstore.h"

#include <vector>

#include "host/demodb.h"

DialogStore::DialogStore() {
    if (!m_fx.ok() || !m_folders.ok())
        return;
    // In the host folder, where another host program of the same store finds it too.
    const std::string path = m_folders.host() + "store.db";
    std::string error;
    if (!CreateDemoDatabase(path, &error) || !m_db.Open("sqlite:" + path)) {
        qWarning("store: %s", error.c_str());
        return;
    }
    m_ok = true;
}

DialogStore::~DialogStore() = default;

std::string DialogStore::Query(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    if (!m_db.DoQuery(sql, rows) || rows.empty() || rows[0].empty())
        return "?";
    return rows[0][0];
}
