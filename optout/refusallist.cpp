#include "optout/refusallist.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "text/codec.h"

using zmsg::K;

namespace {

bool Digits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string First16(const std::string& text) {
    return text.substr(0, 16);
}

std::string Restored(const std::string& stored, const std::string& key) {
    std::string out;
    UnmaskPhone(stored, static_cast<int32_t>(std::atol(key.c_str())), out);
    return out;
}

std::string WithoutStars(std::string text) {
    std::erase(text, '*');
    return text;
}

} // namespace

std::string RefusalStatusText(int status) {
    switch (status) {
    case 0:
        return K("완료");
    case 2:
        return K("보류");
    case 3:
        return K("재요청");
    case 4:
        return K("임의완료");
    default:
        return {};
    }
}

std::string RefusalQuerySql(const RefusalFilter& filter) {
    // The join narrows members by the last four digits; the whole number is compared afterwards. The
    // period condition keeps only request rows, so the join is a left join (an outer join on both
    // sides would first pair every member). On SQLite an index on the member's last four digits
    // makes each request one lookup.
    std::string sql =
        "SELECT sr_code, sr_day, sr_cnumber, sr_rnumber, sr_idate, sr_edate, sr_refusedate, "
        "sr_smsdate, sr_status, sr_key1, sr_key2, mem_code, mem_name, mem_bcode, mem_cel, mem_key4, "
        "(mem_apply & 4096)/4096 FROM smsrefuse LEFT OUTER JOIN member ON "
        "RIGHT(RTRIM(REPLACE(sr_rnumber,'*','')),4)=RIGHT(RTRIM(mem_cel),4) AND mem_status=1";
    sql +=
        " WHERE sr_day BETWEEN " + std::to_string(filter.startDay) + " AND " + std::to_string(filter.endDay);
    if (filter.status >= 0 && filter.status <= 4)
        sql += " AND sr_status=" + std::to_string(filter.status);
    if (filter.search.size() == 4 && Digits(filter.search))
        sql += " AND sr_rnumber LIKE '%" + filter.search + "'";
    // The request code keeps the member rows of two requests of the same second together.
    return sql + " ORDER BY sr_day, sr_time, sr_code, mem_code";
}

RefusalQuery QueryRequests(CSQLDirect& db, const RefusalFilter& filter) {
    RefusalQuery out;
    if (filter.startDay > filter.endDay) {
        out.notice = UserNotice{K("기간조건의 날짜선택을 점검해 주십시오."), -1};
        return out;
    }
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery(RefusalQuerySql(filter), rows)) {
        WriteLog(db.GetLastError(), 0);
        out.notice = UserNotice{K("수신거부요청 데이타를 참조할 수 없습니다.(SQL오류)"), 1};
        return out;
    }
    const bool wholeNumber = filter.search.size() > 4 && Digits(filter.search);
    size_t requestRow = 0; // index of the current request's own row
    for (const auto& c : rows) {
        if (c.size() < 17)
            continue;
        const int32_t code = static_cast<int32_t>(std::atol(c[0].c_str()));
        const std::string refusing = WithoutStars(Restored(c[3], c[10]));
        if (wholeNumber && refusing != filter.search)
            continue;
        const int status = std::atoi(c[8].c_str());
        // Only an open request is worked on: a finished one keeps its member shown, without a box.
        const bool open = status == 1 || status == 2;
        if (out.rows.empty() || out.rows.back().requestCode != code) {
            RefusalRow r;
            r.requestCode = code;
            r.status = status;
            r.day = c[1];
            if (c[1].size() == 8)
                r.requestDate = c[1].substr(0, 4) + "-" + c[1].substr(4, 2) + "-" + c[1].substr(6, 2);
            r.refusingNumber = refusing;
            r.calledNumber = Restored(c[2], c[9]);
            r.editDate = First16(c[5]);
            r.insertDate = First16(c[4]);
            r.refuseDate = First16(c[6]);
            r.smsDate = First16(c[7]);
            r.checkable = open;
            out.rows.push_back(std::move(r));
            requestRow = out.rows.size() - 1;
        }
        if (c[11].empty())
            continue;
        const bool refuses = std::atoi(c[16].c_str()) == 1;
        if ((filter.smsFlag == 0 || filter.smsFlag == 1) && refuses != (filter.smsFlag == 1))
            continue;
        const std::string memberPhone = Restored(c[14], c[15]);
        // The join matched the last four digits only: the member's whole number must be the caller's.
        const std::string callerDigits = CvexGlobal::GetNumberOnlyString(refusing);
        if (callerDigits.empty() || CvexGlobal::GetNumberOnlyString(memberPhone) != callerDigits)
            continue;
        RefusalRow* target = &out.rows[requestRow];
        if (target->memberCode != 0) {
            RefusalRow extra;
            extra.requestCode = code;
            extra.requestRow = false;
            extra.status = status;
            extra.checkable = open;
            out.rows.push_back(std::move(extra));
            target = &out.rows.back();
        }
        target->memberCode = static_cast<int32_t>(std::atol(c[11].c_str()));
        target->memberName = c[12];
        target->memberBarcode = c[13];
        target->memberPhone = memberPhone;
        target->memberRefuses = refuses;
    }
    out.ok = true;
    return out;
}

bool FindRefusedNumbers(CSQLDirect& db, const std::vector<std::string>& phones, std::vector<bool>& refused,
                        UserNotice& failure) {
    refused.assign(phones.size(), false);
    // Narrowed by the last four digits (never masked), then compared whole once restored. Only digits
    // go into the statement.
    std::vector<std::string> tails;
    for (const std::string& phone : phones) {
        const std::string digits = CvexGlobal::GetNumberOnlyString(phone);
        if (digits.size() >= 4)
            tails.push_back("'" + digits.substr(digits.size() - 4) + "'");
    }
    if (tails.empty())
        return true;
    std::set<std::string> numbers;
    constexpr size_t kTailsPerStatement = 500;
    for (size_t from = 0; from < tails.size(); from += kTailsPerStatement) {
        std::string in;
        for (size_t i = from; i < std::min(tails.size(), from + kTailsPerStatement); ++i)
            in += (in.empty() ? "" : ",") + tails[i];
        std::vector<std::vector<std::string>> members, requests;
        if (!db.DoQuery("SELECT mem_cel, mem_key4 FROM member WHERE (ISNULL(mem_apply, 0) & 4096) = 4096 AND "
                        "RIGHT(RTRIM(REPLACE(mem_cel,'*','')),4) IN (" +
                            in + ")",
                        members) ||
            !db.DoQuery("SELECT sr_rnumber, sr_key2 FROM smsrefuse WHERE "
                        "RIGHT(RTRIM(REPLACE(sr_rnumber,'*','')),4) IN (" +
                            in + ")",
                        requests)) {
            WriteLog(db.GetLastError(), 0);
            failure = UserNotice{K("수신거부 데이타를 참조할 수 없습니다.(SQL오류)"), 1};
            return false;
        }
        for (const auto* rows : {&members, &requests})
            for (const auto& row : *rows)
                if (row.size() >= 2)
                    numbers.insert(CvexGlobal::GetNumberOnlyString(Restored(row[0], row[1])));
    }
    for (size_t i = 0; i < phones.size(); ++i) {
        const std::string digits = CvexGlobal::GetNumberOnlyString(phones[i]);
        refused[i] = !digits.empty() && numbers.count(digits) > 0;
    }
    return true;
}
