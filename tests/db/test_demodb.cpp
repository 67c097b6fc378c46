// The demo's sample store database, checked with the SQLite library itself: what sqlite3 or any other tool
// sees in the file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sqlite3.h>

#include "host/demodb.h"

namespace {

class DemoFile {
public:
    explicit DemoFile(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~DemoFile() { sqlite3_close(m_db); }
    // The first column of every row, as stored.
    std::vector<std::string> column(const std::string& sql) const {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return {"<error: " + std::string(sqlite3_errmsg(m_db)) + ">"};
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            out.emplace_back(text ? text : "<null>");
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::string value(const std::string& sql) const {
        const auto c = column(sql);
        return c.size() == 1 ? c[0] : "<" + std::to_string(c.size()) + " rows>";
    }

private:
    sqlite3* m_db = nullptr;
};

TEST(DemoDatabase, FileHoldsTheStoreTablesWithUtf8Texts) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("demo.db")).toStdString();
    std::string error;
    ASSERT_TRUE(CreateDemoDatabase(path, &error)) << error;
    EXPECT_FALSE(CreateDemoDatabase(path, &error)) << "an existing file is never overwritten";
    EXPECT_NE(error.find("exists"), std::string::npos) << error;

    const DemoFile file(path);
    EXPECT_EQ(file.value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(file.column("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"),
              (std::vector<std::string>{"ccode", "employee", "member", "memlog", "smslist", "smsrefuse",
                                        "smssend", "supplier"}));

    // Every column a statement of the module names.
    const struct {
        const char* table;
        std::vector<std::string> columns;
    } tables[] = {
        {"ccode", {"cc_code", "cc_maxcode", "cc_strval"}},
        {"member",
         {"mem_code", "mem_name", "mem_cel", "mem_key4", "mem_point", "mem_bzname", "mem_apply", "mem_m2date",
          "mem_hdate", "mem_smmsfail", "mem_edate", "mem_bcode", "mem_status"}},
        {"employee", {"code", "name", "phone_cel", "depart", "title"}},
        {"supplier", {"sup_code", "sup_mgrname", "sup_cel", "sup_bzname", "sup_ceoname"}},
        {"smssend",
         {"ss_code", "ss_msg", "ss_callback", "ss_emp", "ss_target", "ss_trcount", "ss_trfail", "ss_reserve",
          "ss_reservedate", "ss_idate", "ss_center", "ss_result", "ss_resultdate", "ss_smms_center",
          "ss_smms_count", "ss_smms_fail", "ss_smms_result", "ss_smms_resultdate"}},
        {"smslist", {"sl_sscode", "sl_seq", "sl_ref", "sl_phone", "sl_key", "sl_result", "sl_sendtype"}},
        {"smsrefuse",
         {"sr_code", "sr_day", "sr_time", "sr_idate", "sr_cnumber", "sr_rnumber", "sr_emp", "sr_status",
          "sr_key1", "sr_key2", "sr_edate", "sr_refusedate", "sr_smsdate"}},
        {"memlog", {"ml_member", "ml_kind", "ml_before", "ml_after", "ml_date", "ml_emp"}},
    };
    for (const auto& t : tables)
        EXPECT_EQ(
            file.column(std::string("SELECT name FROM pragma_table_info('") + t.table + "') ORDER BY cid"),
            t.columns)
            << t.table;

    for (const auto& [sql, expected] : std::vector<std::pair<std::string, std::string>>{
             {"SELECT COUNT(*) FROM member", "3000"},
             {"SELECT COUNT(*) FROM employee", "25"},
             {"SELECT COUNT(*) FROM supplier", "12"},
             {"SELECT COUNT(*) FROM ccode", "4"},
             {"SELECT COUNT(*) FROM smssend", "0"},
             {"SELECT cc_maxcode FROM ccode WHERE cc_code=7", "1001"},
             {"SELECT cc_strval FROM ccode WHERE cc_code=21", "행복마트"},
             {"SELECT title FROM employee WHERE code=1", "점장"},
             // Names are two or three Hangul syllables in UTF-8, not CP949 bytes.
             {"SELECT COUNT(*) FROM member WHERE mem_name GLOB '[가-힣][가-힣]*' AND length(mem_name) IN (2, "
              "3)",
              "3000"},
             {"SELECT COUNT(*) FROM employee WHERE depart IN ('계산', '농산', '수산', '정육', '관리')", "25"},
             {"SELECT COUNT(*) FROM supplier WHERE sup_bzname GLOB '*[가-힣]'", "12"},
             // Refusals, failure stars and inactive members for the module to find.
             {"SELECT COUNT(*) FROM member WHERE (mem_apply & 4096) != 0", "96"},
             {"SELECT COUNT(*) FROM member WHERE mem_cel LIKE '*%'", "106"},
             {"SELECT COUNT(*) FROM member WHERE mem_status=0", "44"},
             {"SELECT COUNT(*) FROM member WHERE mem_edate GLOB "
              "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9].[0-9][0-9][0-9]'",
              "3000"},
         })
        EXPECT_EQ(file.value(sql), expected) << sql;
}

} // namespace
