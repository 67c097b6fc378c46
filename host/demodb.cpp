#include "host/demodb.h"

#include <QFile>
#include <cstdio>
#include <random>

#include "center/db/sqldirect.h"
#include "center/text/codec.h"

namespace {

// The host's tables and the module's history tables, with the columns the module uses.
const char* const kSchema[] = {
    "CREATE TABLE ccode (cc_code INT NOT NULL PRIMARY KEY, cc_maxcode INT, cc_strval VARCHAR(200))",
    "CREATE TABLE member (mem_code INT NOT NULL PRIMARY KEY, mem_name VARCHAR(40), mem_cel VARCHAR(20),"
    " mem_key4 INT DEFAULT -1, mem_point INT DEFAULT 0, mem_bzname VARCHAR(60), mem_apply INT DEFAULT 0,"
    " mem_m2date DATETIME, mem_hdate DATETIME, mem_smmsfail INT DEFAULT 0, mem_edate DATETIME,"
    " mem_bcode VARCHAR(20), mem_status INT DEFAULT 1)",
    "CREATE TABLE employee (code INT NOT NULL PRIMARY KEY, name VARCHAR(40), phone_cel VARCHAR(20),"
    " depart VARCHAR(40), title VARCHAR(40))",
    "CREATE TABLE supplier (sup_code INT NOT NULL PRIMARY KEY, sup_mgrname VARCHAR(40), sup_cel VARCHAR(20),"
    " sup_bzname VARCHAR(60), sup_ceoname VARCHAR(40))",
    "CREATE TABLE smssend (ss_code INT NOT NULL PRIMARY KEY, ss_msg VARCHAR(4000), ss_callback VARCHAR(20),"
    " ss_emp INT, ss_target INT DEFAULT 0, ss_trcount INT DEFAULT 0, ss_trfail INT DEFAULT 0,"
    " ss_reserve INT DEFAULT 0, ss_reservedate DATETIME, ss_idate DATETIME, ss_center INT DEFAULT 0,"
    " ss_result INT, ss_resultdate DATETIME, ss_smms_center BIGINT DEFAULT 0, ss_smms_count INT DEFAULT 0,"
    " ss_smms_fail INT DEFAULT 0, ss_smms_result INT, ss_smms_resultdate DATETIME)",
    "CREATE TABLE smslist (sl_sscode INT NOT NULL, sl_seq INT NOT NULL, sl_ref INT DEFAULT 0,"
    " sl_phone VARCHAR(20), sl_key INT DEFAULT -1, sl_result INT DEFAULT 0, sl_sendtype INT DEFAULT 0,"
    " PRIMARY KEY (sl_sscode, sl_seq))",
    "CREATE TABLE smsrefuse (sr_code INT NOT NULL PRIMARY KEY, sr_day INT, sr_time INT, sr_idate DATETIME,"
    " sr_cnumber VARCHAR(20), sr_rnumber VARCHAR(20), sr_emp INT DEFAULT 0, sr_status INT DEFAULT 0,"
    " sr_key1 INT DEFAULT -1, sr_key2 INT DEFAULT -1, sr_edate DATETIME, sr_refusedate DATETIME,"
    " sr_smsdate DATETIME)",
    "CREATE TABLE memlog (ml_member INT, ml_kind INT, ml_before VARCHAR(200), ml_after VARCHAR(200),"
    " ml_date DATETIME, ml_emp INT)",
    "CREATE INDEX ix_smslist_ref ON smslist (sl_ref)",
    "CREATE INDEX ix_member_cel ON member (mem_cel)",
};

bool exec(CSQLDirect& db, const std::string& sql, std::string* error) {
    const int r = db.ExecuteSQL(sql.c_str());
    if (r == SQL_OK || r == SQL_OK_INFO || r == SQL_NODATA)
        return true;
    if (error)
        *error = db.GetLastError() + " [" + sql + "]";
    return false;
}

const char* const kFamily[] = {"김", "이", "박", "최", "정", "강", "조", "윤", "장", "임", "한", "오", "서", "신"};
const char* const kGiven[] = {"민준", "서연", "도윤", "지우", "하준", "서윤", "예준", "하은", "시우", "지민",
                              "주원", "수아", "지호", "지유", "준서", "채원", "현우", "다은", "은서", "건우"};

std::string mobile(std::mt19937& rng) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "010-%04u-%04u", static_cast<unsigned>(rng() % 10000),
                  static_cast<unsigned>(rng() % 10000));
    return buf;
}

} // namespace

bool CreateStoreTables(CSQLDirect& db, std::string* error) {
    for (const char* sql : kSchema)
        if (!exec(db, sql, error))
            return false;
    return true;
}

bool CreateDemoDatabase(const std::string& path, std::string* error) {
    if (QFile::exists(QString::fromStdString(path))) {
        if (error)
            *error = "file exists: " + path;
        return false;
    }
    CSQLDirect db;
    if (!db.Open("sqlite:" + path)) {
        if (error)
            *error = db.GetLastError();
        return false;
    }
    if (!CreateStoreTables(db, error))
        return false;
    using zmsg::K;
    // Store settings: 7 the store's code at the center, 21/22/25 store texts.
    if (!exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (7, 1001, '')", error) ||
        !exec(db, K("INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (21, 0, '행복마트')"), error) ||
        !exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (22, 0, '02-1234-5678')", error) ||
        !exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (25, 0, '0801234567')", error))
        return false;

    std::mt19937 rng(20261206);
    db.BeginTrans();
    std::string prev;
    for (int code = 1; code <= 3000; ++code) {
        const std::string name = std::string(kFamily[rng() % std::size(kFamily)]) + kGiven[rng() % std::size(kGiven)];
        std::string cel = mobile(rng);
        int apply = 0;
        if (code % 97 == 0)
            cel = prev; // the same number on two members
        else if (code % 53 == 0)
            cel = "010-123"; // badly formed
        else if (code % 41 == 0)
            cel = "*" + cel; // one failed delivery
        else if (code % 89 == 0)
            cel = "***" + cel;
        if (code % 31 == 0)
            apply |= 4096; // refused advertising
        prev = cel;
        char sql[512];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, mem_apply,"
                      " mem_smmsfail, mem_edate, mem_bcode, mem_status) VALUES (%d, '%s', '%s', -1, %d, '', %d, 0,"
                      " GETDATE(), '%08d', %d)",
                      code, K(name).c_str(), cel.c_str(), static_cast<int>(rng() % 50000), apply, 20000000 + code,
                      code % 67 == 0 ? 0 : 1);
        if (!exec(db, sql, error)) {
            db.RollbackTrans();
            return false;
        }
    }
    const char* const departs[] = {"계산", "농산", "수산", "정육", "관리"};
    for (int code = 1; code <= 25; ++code) {
        char sql[384];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO employee (code, name, phone_cel, depart, title) VALUES (%d, '%s', '%s', '%s', '%s')",
                      code, K(std::string(kFamily[code % 14]) + kGiven[(code * 7) % 20]).c_str(), mobile(rng).c_str(),
                      K(departs[code % 5]).c_str(), K(code == 1 ? "점장" : "사원").c_str());
        if (!exec(db, sql, error)) {
            db.RollbackTrans();
            return false;
        }
    }
    const char* const suppliers[] = {"한빛식품", "우리농산", "바다수산", "대한유통", "푸른음료", "새벽베이커리"};
    for (int code = 1; code <= 12; ++code) {
        char sql[384];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO supplier (sup_code, sup_mgrname, sup_cel, sup_bzname, sup_ceoname)"
                      " VALUES (%d, '%s', '%s', '%s', '%s')",
                      code, K(std::string(kFamily[(code + 3) % 14]) + kGiven[(code * 3) % 20]).c_str(),
                      mobile(rng).c_str(), K(suppliers[code % 6]).c_str(),
                      K(std::string(kFamily[(code + 5) % 14]) + kGiven[(code * 11) % 20]).c_str());
        if (!exec(db, sql, error)) {
            db.RollbackTrans();
            return false;
        }
    }
    return db.CommitTrans();
}
