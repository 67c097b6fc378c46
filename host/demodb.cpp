#include "host/demodb.h"

#include <QFile>
#include <cstdio>
#include <random>

#include "center/phonemask.h"
#include "center/storeschema.h"
#include "db/sqldirect.h"
#include "text/codec.h"

namespace {

bool exec(CSQLDirect& db, const std::string& sql, std::string* error) {
    const int r = db.ExecuteSQL(sql.c_str());
    if (r == SQL_OK || r == SQL_OK_INFO || r == SQL_NODATA)
        return true;
    if (error)
        *error = db.GetLastError() + " [" + sql + "]";
    return false;
}

const char* const kFamily[] = {"김", "이", "박", "최", "정", "강", "조",
                               "윤", "장", "임", "한", "오", "서", "신"};
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
    for (const std::string& sql : StoreSchemaStatements())
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
    // Store settings: 7 the store's code at the center, 21 its name, 22 its business number, 25 its phone.
    if (!exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (7, 1001, '')", error) ||
        !exec(db, K("INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (21, 0, '행복마트')"),
              error) ||
        !exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (22, 0, '123-45-67890')",
              error) ||
        !exec(db, "INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (25, 0, '02-1234-5678')", error))
        return false;

    std::mt19937 rng(20261206);
    db.BeginTrans();
    std::string prev;
    for (int code = 1; code <= 3000; ++code) {
        const std::string name =
            std::string(kFamily[rng() % std::size(kFamily)]) + kGiven[rng() % std::size(kGiven)];
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
        // Every fifth member's number is stored masked, as the module itself stores numbers.
        int32_t key = -1;
        if (code % 5 == 0 && cel.size() > 8) {
            std::string masked;
            if (MaskPhone(cel, masked, key, 1 + code % 50))
                cel = masked;
        }
        // Members who use the app have a recent app-signal date.
        char signal[32] = "NULL";
        if (code % 3 == 0)
            std::snprintf(signal, sizeof signal, "DATEADD(day, -%d, GETDATE())", code % 40);
        char sql[640];
        std::snprintf(
            sql, sizeof sql,
            "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, mem_apply,"
            " mem_m2date, mem_hdate, mem_smmsfail, mem_edate, mem_bcode, mem_status) VALUES (%d, '%s', '%s',"
            " %d, %d, '%s', %d, %s, DATEADD(day, -%d, GETDATE()), 0, GETDATE(), '%08d', %d)",
            code, K(name).c_str(), cel.c_str(), key, static_cast<int>(rng() % 50000),
            code % 13 == 0 ? K("행복상회").c_str() : "", apply, signal, code % 90, 20000000 + code,
            code % 67 == 0 ? 0 : 1);
        if (!exec(db, sql, error)) {
            db.RollbackTrans();
            return false;
        }
    }
    const char* const departs[] = {"계산", "농산", "수산", "정육", "관리"};
    for (int code = 1; code <= 25; ++code) {
        char sql[384];
        std::snprintf(
            sql, sizeof sql,
            "INSERT INTO employee (code, name, phone_cel, depart, title) VALUES (%d, '%s', '%s', '%s', '%s')",
            code, K(std::string(kFamily[code % 14]) + kGiven[(code * 7) % 20]).c_str(), mobile(rng).c_str(),
            K(departs[code % 5]).c_str(), K(code == 1 ? "점장" : "사원").c_str());
        if (!exec(db, sql, error)) {
            db.RollbackTrans();
            return false;
        }
    }
    const char* const suppliers[] = {"한빛식품", "우리농산", "바다수산",
                                     "대한유통", "푸른음료", "새벽베이커리"};
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

std::string StoredMemberCel(int i, const std::string& phone, int32_t& key) {
    std::string cel = phone;
    key = -1;
    if (i % 5 == 0) {
        std::string masked;
        if (MaskPhone(phone, masked, key, 1 + i % 50))
            cel = masked;
    } else if (i % 5 == 1) {
        cel = phone.substr(0, 3) + "-" + phone.substr(3, 4) + "-" + phone.substr(7);
    }
    if (i % 100 == 7)
        cel = "**" + cel;
    else if (i % 100 == 17)
        cel = "***" + cel;
    else if (i % 100 == 11)
        cel = "*" + cel;
    return cel;
}
