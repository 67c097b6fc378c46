#include "optout/refusalstore.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

#include <QDate>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kSqlLevel = 1;
// Codes per "IN (...)" list and rows per INSERT: both databases take this many at once.
constexpr size_t kCodesPerStatement = 500;
constexpr size_t kRowsPerInsert = 200;

constexpr const char* kHighestCodeForUpdate =
    "SELECT TOP 1 sr_code FROM smsrefuse WITH (UPDLOCK, HOLDLOCK) ORDER BY sr_code DESC";

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

UserNotice SqlFailure(CSQLDirect& db, const char* utf8Text) {
    WriteLog(db.GetLastError(), 0);
    return UserNotice{K(utf8Text), kSqlLevel};
}

std::string Restored(const std::string& stored, const std::string& key) {
    std::string out;
    UnmaskPhone(stored, static_cast<int32_t>(std::atol(key.c_str())), out);
    return out;
}

// Day and time of a stored or downloaded request as numbers: both were checked to be digits.
long long Number(const std::string& digits) {
    return std::atoll(digits.c_str());
}

} // namespace

std::string JoinCodes(const std::vector<int32_t>& codes) {
    std::string out;
    for (int32_t c : codes) {
        if (!out.empty())
            out += ',';
        out += std::to_string(c);
    }
    return out;
}

bool ReadStartPoint(CSQLDirect& db, StartPoint& from, UserNotice& failure) {
    if (!Succeeded(db.ExecuteSQL(
            "SELECT TOP 1 sr_day, sr_time FROM smsrefuse ORDER BY sr_day DESC, sr_time DESC"))) {
        failure = SqlFailure(db, "가장 최근의 수신거부요청 데이타를 참조할 수 없습니다.(SQL오류)");
        return false;
    }
    const int rc = db.Fetch();
    if (rc == SQL_NODATA) {
        from = {"20150601", "0"};
        return true;
    }
    if (rc != SQL_OK && rc != SQL_OK_INFO) {
        failure = SqlFailure(db, "수신거부요청 데이타 참조에 실패하였습니다.(SQL오류)");
        return false;
    }
    const long long day = Number(db.GetCol(1));
    const long long time = Number(db.GetCol(2));
    // The server sends what came in after the given second. A download that stopped halfway may
    // have stored one request of a second and not another of the same second: ask from the second
    // before, and let the duplicate check drop what is already held.
    const long long hh = time / 10000, mm = time / 100 % 100, ss = time % 100;
    if (time > 0 && hh < 24 && mm < 60 && ss < 60) {
        const long long before = hh * 3600 + mm * 60 + ss - 1;
        from = {std::to_string(day),
                std::to_string(before / 3600 * 10000 + before / 60 % 60 * 100 + before % 60)};
        return true;
    }
    if (time > 0) { // not a time of day: the number before it
        from = {std::to_string(day), std::to_string(time - 1)};
        return true;
    }
    const QDate date = QDate::fromString(QString::number(day), QStringLiteral("yyyyMMdd"));
    if (!date.isValid()) {
        from = {std::to_string(day), "0"};
        return true;
    }
    from = {date.addDays(-1).toString(QStringLiteral("yyyyMMdd")).toStdString(), "235959"};
    return true;
}

int UpdateRequestStatus(CSQLDirect& db, const std::vector<int32_t>& codes, int status, int empCode,
                        UserNotice* failure) {
    if (codes.empty())
        return 0;
    std::string clause;
    if (status == kRefusalStampApply)
        clause = ", sr_refusedate=GETDATE()";
    else if (status == kRefusalCompleted)
        clause = ", sr_status=0, sr_edate=GETDATE(), sr_smsdate=GETDATE()";
    else
        clause = ", sr_status=" + std::to_string(status) + ", sr_edate=GETDATE()";
    // A completed request is never changed again.
    const std::string guard = status == kRefusalStampApply ? "" : "sr_status>0 AND ";
    for (size_t from = 0; from < codes.size(); from += kCodesPerStatement) {
        const std::vector<int32_t> part(
            codes.begin() + static_cast<long>(from),
            codes.begin() + static_cast<long>(std::min(codes.size(), from + kCodesPerStatement)));
        const std::string sql = "UPDATE smsrefuse SET sr_emp=" + std::to_string(empCode) + clause +
                                " WHERE " + guard + "sr_code IN (" + JoinCodes(part) + ")";
        if (!Succeeded(db.ExecuteSQL(sql.c_str()))) {
            const UserNotice n = SqlFailure(db, "데이타 처리상태 변경에 실패하였습니다.(SQL오류)");
            if (failure)
                *failure = n;
            return 0;
        }
    }
    return 1;
}

StoreOutcome StoreRequests(CSQLDirect& db, const std::vector<RefusalRequest>& requests, int empCode) {
    StoreOutcome out;
    if (requests.empty())
        return out;
    auto fail = [&](const char* text) {
        out.failure = SqlFailure(db, text);
        db.RollbackTrans();
        out.ok = false;
        out.stored = out.duplicates = out.superseded = 0;
        return out;
    };
    if (!db.BeginTrans()) {
        out.failure = SqlFailure(db, "데이타 기록코드 생성에 실패하였습니다.(SQL오류)");
        out.ok = false;
        return out;
    }
    // The locking read comes first: on SQL Server it holds the highest code and the range above it to
    // the commit, so a second machine storing at once waits here and then sees these rows. SQLite
    // drops the hints: its write transaction holds the file.
    if (!Succeeded(db.ExecuteSQL(kHighestCodeForUpdate)))
        return fail("데이타 기록코드 생성에 실패하였습니다.(SQL오류)");
    int32_t next = 1;
    {
        const int rc = db.Fetch();
        if (rc == SQL_OK || rc == SQL_OK_INFO)
            next = static_cast<int32_t>(std::atol(db.GetCol(1).c_str())) + 1;
        else if (rc != SQL_NODATA)
            return fail("데이타 기록코드 생성에 실패하였습니다.(SQL오류)");
    }

    // Requests already held: the same day, time and caller. Two callers in the same second are two
    // requests.
    long long firstDay = Number(requests.front().day);
    for (const RefusalRequest& r : requests)
        firstDay = std::min(firstDay, Number(r.day));
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery("SELECT sr_day, sr_time, sr_rnumber, sr_key2 FROM smsrefuse WHERE sr_day>=" +
                        std::to_string(firstDay),
                    rows))
        return fail("중복된 데이타를 확인할 수 없습니다.(SQL오류)");
    std::set<std::tuple<long long, long long, std::string>> held;
    for (const auto& row : rows)
        if (row.size() >= 4)
            held.emplace(Number(row[0]), Number(row[1]), Restored(row[2], row[3]));

    // Open requests (unprocessed or on hold) by caller: a new request of the same caller supersedes them.
    if (!db.DoQuery("SELECT sr_code, sr_rnumber, sr_key2 FROM smsrefuse WHERE sr_status IN (1, 2)", rows))
        return fail("중복된 요청건 확인에 실패하였습니다.(SQL오류)");
    std::map<std::string, std::vector<int32_t>> open;
    for (const auto& row : rows)
        if (row.size() >= 3)
            open[Restored(row[1], row[2])].push_back(static_cast<int32_t>(std::atol(row[0].c_str())));

    const std::string now = db.GetTimeFuncStr();
    std::vector<int32_t> superseded;
    std::string insert;
    size_t inInsert = 0;
    auto flush = [&]() {
        if (inInsert == 0)
            return true;
        const bool ok = Succeeded(db.ExecuteSQL(insert.c_str()));
        insert.clear();
        inInsert = 0;
        return ok;
    };
    for (const RefusalRequest& r : requests) {
        const long long day = Number(r.day);
        const long long time = Number(r.time);
        if (!held.emplace(day, time, r.refusingNumber).second) {
            ++out.duplicates;
            continue;
        }
        const int32_t code = next++;
        std::vector<int32_t>& earlier = open[r.refusingNumber];
        superseded.insert(superseded.end(), earlier.begin(), earlier.end());
        earlier.assign(1, code);

        std::string called, refusing;
        int32_t key1 = -1, key2 = -1;
        MaskPhone(r.calledNumber, called, key1);
        MaskPhone(r.refusingNumber, refusing, key2);
        if (inInsert == 0)
            insert =
                "INSERT INTO smsrefuse (sr_code, sr_day, sr_time, sr_idate, sr_cnumber, sr_rnumber, sr_emp, "
                "sr_status, sr_key1, sr_key2) VALUES ";
        else
            insert += ", ";
        insert += "(" + std::to_string(code) + ", " + std::to_string(day) + ", " + std::to_string(time) +
                  ", " + now + ", '" + SqlQuoteSafe(called) + "', '" + SqlQuoteSafe(refusing) + "', " +
                  std::to_string(empCode) + ", 1, " + std::to_string(key1) + ", " + std::to_string(key2) +
                  ")";
        ++out.stored;
        if (++inInsert == kRowsPerInsert && !flush())
            return fail("수신거부요청 데이타를 기록할 수 없습니다.(SQL오류)");
    }
    if (!flush())
        return fail("수신거부요청 데이타를 기록할 수 없습니다.(SQL오류)");
    if (!superseded.empty()) {
        UserNotice ignored;
        if (!UpdateRequestStatus(db, superseded, kRefusalRerequest, empCode, &ignored))
            return fail("중복된 요청건 확인에 실패하였습니다.(SQL오류)");
    }
    if (!db.CommitTrans())
        return fail("수신거부요청 데이타를 기록할 수 없습니다.(SQL오류)");
    out.superseded = static_cast<int>(superseded.size());
    return out;
}
