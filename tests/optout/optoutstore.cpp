#include "tests/optout/optoutstore.h"

#include <gtest/gtest.h>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "host/demodb.h"

OptOutStore::OptOutStore() {
    if (!m_dir.isValid())
        return;
    m_path = m_dir.filePath(QStringLiteral("store.db")).toStdString();
    std::string error;
    m_ok = m_db.Open("sqlite:" + m_path) && CreateStoreTables(m_db, &error);
    EXPECT_TRUE(m_ok) << error << m_db.GetLastError();
}

void OptOutStore::AddMember(int32_t code, const std::string& cel, int apply, int status, bool masked) {
    std::string stored = cel;
    int32_t key = -1;
    if (masked) {
        EXPECT_TRUE(MaskPhone(cel, stored, key));
    }
    const std::string sql = "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_apply, "
                            "mem_bcode, mem_status) VALUES (" +
                            std::to_string(code) + ", 'M" + std::to_string(code) + "', '" +
                            SqlQuoteSafe(stored) + "', " + std::to_string(key) + ", " +
                            std::to_string(apply) + ", 'B" + std::to_string(code) + "', " +
                            std::to_string(status) + ")";
    EXPECT_EQ(m_db.ExecuteSQL(sql.c_str()), SQL_OK) << m_db.GetLastError();
}

void OptOutStore::AddSend(int32_t code, const std::vector<std::string>& phones, int target) {
    std::string sql = "INSERT INTO smssend (ss_code, ss_msg, ss_target, ss_trcount) VALUES (" +
                      std::to_string(code) + ", 'notice', " + std::to_string(target) + ", " +
                      std::to_string(phones.size()) + ")";
    EXPECT_EQ(m_db.ExecuteSQL(sql.c_str()), SQL_OK) << m_db.GetLastError();
    for (size_t i = 0; i < phones.size(); ++i) {
        std::string masked;
        int32_t key = -1;
        MaskPhone(phones[i], masked, key);
        sql = "INSERT INTO smslist (sl_sscode, sl_seq, sl_ref, sl_phone, sl_key) VALUES (" +
              std::to_string(code) + ", " + std::to_string(i + 1) + ", 0, '" + masked + "', " +
              std::to_string(key) + ")";
        EXPECT_EQ(m_db.ExecuteSQL(sql.c_str()), SQL_OK) << m_db.GetLastError();
    }
}

std::vector<std::vector<std::string>> OptOutStore::Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    EXPECT_TRUE(m_db.DoQuery(sql, rows)) << sql << ": " << m_db.GetLastError();
    return rows;
}

std::string OptOutStore::Value(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? std::string("<none>") : rows[0][0];
}

int OptOutStore::Count(const std::string& table) {
    return std::stoi(Value("SELECT COUNT(*) FROM " + table));
}

int OptOutStore::StatusOf(int32_t code) {
    const std::string v = Value("SELECT sr_status FROM smsrefuse WHERE sr_code=" + std::to_string(code));
    return v == "<none>" ? -9 : std::stoi(v);
}

std::vector<std::string> OptOutStore::Requests() {
    std::vector<std::string> out;
    for (const auto& r :
         Rows("SELECT sr_day, sr_time, sr_rnumber, sr_key2, sr_status FROM smsrefuse ORDER BY sr_code")) {
        std::string number;
        UnmaskPhone(r[2], std::stoi(r[3]), number);
        out.push_back(r[0] + " " + r[1] + " " + number + " " + r[4]);
    }
    return out;
}
