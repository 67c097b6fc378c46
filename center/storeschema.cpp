#include "center/storeschema.h"

#include "db/sqldirect.h"

const std::vector<StoreTable>& StoreTables() {
    static const std::vector<StoreTable> tables = {
        {"ccode",
         false,
         {{"cc_code", "INT NOT NULL"}, {"cc_maxcode", "INT"}, {"cc_strval", "VARCHAR(200)"}},
         "cc_code"},
        {"member",
         false,
         {{"mem_code", "INT NOT NULL"},
          {"mem_name", "VARCHAR(40)"},
          {"mem_cel", "VARCHAR(20)"},
          {"mem_key4", "INT DEFAULT -1"},
          {"mem_point", "INT DEFAULT 0"},
          {"mem_bzname", "VARCHAR(60)"},
          {"mem_apply", "INT DEFAULT 0"},
          {"mem_m2date", "DATETIME"},
          {"mem_hdate", "DATETIME"},
          {"mem_smmsfail", "INT DEFAULT 0"},
          {"mem_edate", "DATETIME"},
          {"mem_bcode", "VARCHAR(20)"},
          {"mem_status", "INT DEFAULT 1"}},
         "mem_code"},
        {"employee",
         false,
         {{"code", "INT NOT NULL"},
          {"name", "VARCHAR(40)"},
          {"phone_cel", "VARCHAR(20)"},
          {"depart", "VARCHAR(40)"},
          {"title", "VARCHAR(40)"}},
         "code"},
        {"supplier",
         false,
         {{"sup_code", "INT NOT NULL"},
          {"sup_mgrname", "VARCHAR(40)"},
          {"sup_cel", "VARCHAR(20)"},
          {"sup_bzname", "VARCHAR(60)"},
          {"sup_ceoname", "VARCHAR(40)"}},
         "sup_code"},
        {"smssend",
         true,
         {{"ss_code", "INT NOT NULL"},
          {"ss_msg", "VARCHAR(4000)"},
          {"ss_callback", "VARCHAR(20)"},
          {"ss_emp", "INT"},
          {"ss_target", "INT DEFAULT 0"},
          {"ss_trcount", "INT DEFAULT 0"},
          {"ss_trfail", "INT DEFAULT 0"},
          {"ss_reserve", "INT DEFAULT 0"},
          {"ss_reservedate", "DATETIME"},
          {"ss_idate", "DATETIME"},
          {"ss_center", "INT DEFAULT 0"},
          {"ss_result", "INT"},
          {"ss_resultdate", "DATETIME"},
          {"ss_smms_center", "BIGINT DEFAULT 0"},
          {"ss_smms_count", "INT DEFAULT 0"},
          {"ss_smms_fail", "INT DEFAULT 0"},
          {"ss_smms_result", "INT"},
          {"ss_smms_resultdate", "DATETIME"}},
         "ss_code"},
        {"smslist",
         true,
         {{"sl_sscode", "INT NOT NULL"},
          {"sl_seq", "INT NOT NULL"},
          {"sl_ref", "INT DEFAULT 0"},
          {"sl_phone", "VARCHAR(20)"},
          {"sl_key", "INT DEFAULT -1"},
          {"sl_result", "INT DEFAULT 0"},
          {"sl_sendtype", "INT DEFAULT 0"}},
         "sl_sscode, sl_seq"},
        {"smsrefuse",
         true,
         {{"sr_code", "INT NOT NULL"},
          {"sr_day", "INT"},
          {"sr_time", "INT"},
          {"sr_idate", "DATETIME"},
          {"sr_cnumber", "VARCHAR(20)"},
          {"sr_rnumber", "VARCHAR(20)"},
          {"sr_emp", "INT DEFAULT 0"},
          {"sr_status", "INT DEFAULT 0"},
          {"sr_key1", "INT DEFAULT -1"},
          {"sr_key2", "INT DEFAULT -1"},
          {"sr_edate", "DATETIME"},
          {"sr_refusedate", "DATETIME"},
          {"sr_smsdate", "DATETIME"}},
         "sr_code"},
        {"memlog",
         false,
         {{"ml_member", "INT"},
          {"ml_kind", "INT"},
          {"ml_before", "VARCHAR(200)"},
          {"ml_after", "VARCHAR(200)"},
          {"ml_date", "DATETIME"},
          {"ml_emp", "INT"}},
         nullptr},
    };
    return tables;
}

std::vector<std::string> StoreSchemaStatements() {
    std::vector<std::string> out;
    for (const StoreTable& t : StoreTables()) {
        std::string sql = std::string("CREATE TABLE ") + t.name + " (";
        for (size_t i = 0; i < t.columns.size(); ++i)
            sql += std::string(i ? ", " : "") + t.columns[i].name + " " + t.columns[i].type;
        if (t.primaryKey)
            sql += std::string(", PRIMARY KEY (") + t.primaryKey + ")";
        out.push_back(sql + ")");
    }
    // Lookups the receipt and the recipient list make per member and per send.
    out.emplace_back("CREATE INDEX ix_smslist_ref ON smslist (sl_ref)");
    out.emplace_back("CREATE INDEX ix_member_cel ON member (mem_cel)");
    // The refusal requests: the download's start point and the list's period.
    out.emplace_back("CREATE INDEX ix_smsrefuse_day ON smsrefuse (sr_day, sr_time)");
    // The refusal list joins members on the last four digits of their number: one lookup a request
    // instead of a scan of every member. An index on an expression (SQLite); a SQL Server store
    // indexes a computed column of the same expression.
    out.emplace_back("CREATE INDEX ix_member_cel4 ON member (RIGHT(RTRIM(mem_cel),4))");
    return out;
}

std::vector<std::string> MissingStoreColumns(CSQLDirect& db) {
    std::vector<std::string> missing;
    for (const StoreTable& t : StoreTables()) {
        // Selecting every column of no row fails exactly when a name is missing; then find which.
        std::string all;
        for (const StoreColumn& c : t.columns)
            all += std::string(all.empty() ? "" : ", ") + c.name;
        std::vector<std::vector<std::string>> rows;
        if (db.DoQuery("SELECT " + all + " FROM " + t.name + " WHERE 1=0", rows))
            continue;
        if (!db.DoQuery(std::string("SELECT COUNT(*) FROM ") + t.name + " WHERE 1=0", rows)) {
            missing.emplace_back(t.name);
            continue;
        }
        for (const StoreColumn& c : t.columns)
            if (!db.DoQuery(std::string("SELECT ") + c.name + " FROM " + t.name + " WHERE 1=0", rows))
                missing.push_back(std::string(t.name) + "." + c.name);
    }
    return missing;
}
