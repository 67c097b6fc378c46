#include "optout/refusalcompletion.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "optout/refusalstore.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kRefusedBit = 4096;
constexpr int kLogKindSmsRefusal = 23;
constexpr size_t kCodesPerStatement = 500;

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

void AddOnce(std::vector<int32_t>& list, int32_t code) {
    if (std::find(list.begin(), list.end(), code) == list.end())
        list.push_back(code);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

void Set(UserNotice* target, const UserNotice& notice) {
    if (target)
        *target = notice;
}

// The members among codes whose refusal flag is set (refused) or not, read in statements of a
// bounded number of codes. False on a database failure (logged).
bool MembersByRefusal(CSQLDirect& db, const std::vector<int32_t>& codes, bool refused,
                      std::vector<int32_t>& found) {
    found.clear();
    for (size_t from = 0; from < codes.size(); from += kCodesPerStatement) {
        const std::vector<int32_t> part(
            codes.begin() + static_cast<long>(from),
            codes.begin() + static_cast<long>(std::min(codes.size(), from + kCodesPerStatement)));
        std::vector<std::vector<std::string>> rows;
        if (!db.DoQuery("SELECT mem_code FROM member WHERE mem_code IN (" + JoinCodes(part) +
                            ") AND (ISNULL(mem_apply, 0) & 4096) " + (refused ? "= 4096" : "!= 4096"),
                        rows)) {
            WriteLog(db.GetLastError(), 0);
            return false;
        }
        for (const auto& row : rows)
            if (!row.empty())
                found.push_back(static_cast<int32_t>(std::atol(row[0].c_str())));
    }
    return true;
}

} // namespace

RefusalSelection CollectSelection(const std::vector<RefusalRow>& rows, const std::vector<bool>& ticked,
                                  bool onlyTicked) {
    RefusalSelection out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const RefusalRow& row = rows[i];
        if (row.status >= 3 || !row.checkable)
            continue;
        const bool tick = i < ticked.size() && ticked[i];
        if (onlyTicked && !tick)
            continue;
        const int32_t r = row.requestCode;
        const int32_t m = row.memberCode;
        if (onlyTicked) {
            ++out.ticked;
            if (r > 0)
                AddOnce(out.requests, r);
        } else if (r >= 1 && m >= 1) {
            AddOnce(out.requests, r);
        }
        if (m > 0) {
            AddOnce(out.members, m);
            if (row.status > 0)
                AddOnce(out.openMembers, m);
        }
    }
    return out;
}

std::string SelectionQuestion(RefusalAction action, bool allListed) {
    const char* const whom = allListed ? "조회된 전체 요청건" : "선택된 요청건";
    switch (action) {
    case RefusalAction::Apply:
        return K(whom) + K("의 회원을 수신거부 처리하고,\n처리결과 알림 메시지를 발송하시겠습니까?");
    case RefusalAction::Notify:
        return K(whom) + K("의 회원에게 처리결과 알림 메시지를 발송하시겠습니까?\n(회원의 수신거부 설정은 "
                           "바뀌지 않습니다.)");
    case RefusalAction::ByHand:
    default:
        return K(whom) + K("을 임의완료 처리하시겠습니까?\n(회원의 수신거부 설정과 알림 메시지 발송 없이 "
                           "요청건만 완료됩니다.)");
    }
}

bool SelectRequests(const std::vector<RefusalRow>& rows, const std::vector<bool>& ticked,
                    RefusalAction action, RefusalSelection& selection) {
    selection = {};
    if (rows.empty())
        return false;
    RefusalSelection chosen = CollectSelection(rows, ticked, true);
    if (chosen.ticked > 0) {
        if (ShowMessageBox(SelectionQuestion(action, false), kQuestionNoDefault) != IDYES)
            return false;
        selection = std::move(chosen);
        return true;
    }
    if (action == RefusalAction::ByHand) {
        ShowMessageBox(K("선택된 대상이 있을 경우에만 적용가능합니다."));
        return false;
    }
    if (ShowMessageBox(K("선택된 수신거부 요청건이 없습니다.\n") + SelectionQuestion(action, true),
                       kQuestionNoDefault) != IDYES)
        return false;
    selection = CollectSelection(rows, ticked, false);
    return true;
}

bool InsertMemberLog(CSQLDirect& db, int32_t member, int kind, const std::string& before,
                     const std::string& after, int empCode, UserNotice* failure) {
    const std::string sql =
        "INSERT INTO memlog (ml_member, ml_kind, ml_before, ml_after, ml_date, ml_emp) VALUES (" +
        std::to_string(member) + ", " + std::to_string(kind) + ", '" + SqlQuoteSafe(before) + "', '" +
        SqlQuoteSafe(after) + "', GETDATE(), " + std::to_string(empCode) + ") ";
    const int rc = db.ExecuteSQL(sql.c_str());
    if (rc == SQL_OK || rc == SQL_OK_INFO)
        return true;
    WriteLog(db.GetLastError(), 0);
    Set(failure, UserNotice{K("변경로그를 기록할 수 없습니다.(SQL 오류)"), 16});
    return false;
}

ApplyOutcome ApplyRefusal(CSQLDirect& db, const std::vector<int32_t>& members,
                          const std::vector<RefusalRow>& rows, int empCode) {
    ApplyOutcome out;
    if (members.empty())
        return out;
    // Every code is read before the first update: a result set still open on the database object
    // would be closed by the update (the ODBC backend then refused only the first member).
    std::vector<int32_t> pending;
    if (!MembersByRefusal(db, members, false, pending)) {
        out.failure = UserNotice{K("회원데이타를 참조할 수 없습니다.(SQL오류)"), 1};
        return out;
    }
    const UserNotice updateFailed{K("회원정보 갱신에 실패하였습니다.(SQL오류)"), 1};
    for (int32_t member : pending) {
        // The flag and its change-log row land together or not at all.
        if (!db.BeginTrans()) {
            WriteLog(db.GetLastError(), 0);
            out.failure = updateFailed;
            return out;
        }
        // Guarded on the bit: a member another machine refused meanwhile gets no second log row.
        // A member whose flags were never set (NULL) is refused too.
        const std::string update = "UPDATE member SET mem_apply=ISNULL(mem_apply, 0) | " +
                                   std::to_string(kRefusedBit) +
                                   ", mem_edate=GETDATE() WHERE mem_code=" + std::to_string(member) +
                                   " AND (ISNULL(mem_apply, 0) & 4096) = 0";
        const int rc = db.ExecuteSQL(update.c_str());
        if (rc == SQL_NODATA) {
            db.RollbackTrans();
            continue;
        }
        if (!Succeeded(rc)) {
            WriteLog(db.GetLastError(), 0);
            db.RollbackTrans();
            out.failure = updateFailed;
            return out;
        }
        if (!InsertMemberLog(db, member, kLogKindSmsRefusal, K("허용"), K("거부"), empCode, &out.failure)) {
            db.RollbackTrans();
            return out;
        }
        if (!db.CommitTrans()) {
            WriteLog(db.GetLastError(), 0);
            db.RollbackTrans();
            out.failure = updateFailed;
            return out;
        }
        ++out.refused;
        for (const RefusalRow& row : rows)
            if (row.status <= 2 && row.memberCode == member && row.requestCode > 0)
                AddOnce(out.requests, row.requestCode);
    }
    return out;
}

std::vector<int32_t> FindNotifiedRequests(CSQLDirect& db, int32_t sendCode,
                                          const std::vector<RefusalRow>& rows, UserNotice* failure) {
    std::vector<int32_t> out;
    if (sendCode == 0)
        return out;
    std::vector<std::vector<std::string>> sent;
    if (!db.DoQuery("SELECT sl_phone, sl_key FROM smslist WHERE sl_sscode=" + std::to_string(sendCode),
                    sent)) {
        WriteLog(db.GetLastError(), 0);
        Set(failure, UserNotice{K("SMS 발송리스트 데이타를 참조할 수 없습니다.(SQL오류)"), 1});
        return out;
    }
    for (const auto& s : sent) {
        if (s.size() < 2)
            continue;
        std::string phone;
        UnmaskPhone(s[0], static_cast<int32_t>(std::atol(s[1].c_str())), phone);
        for (const RefusalRow& row : rows)
            if (row.requestRow && (row.status == 1 || row.status == 2) && !row.refusingNumber.empty() &&
                SameIgnoringCase(row.refusingNumber, phone))
                AddOnce(out, row.requestCode);
    }
    return out;
}

int32_t HighestSendCode(CSQLDirect& db) {
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery("SELECT ISNULL(MAX(ss_code), 0) FROM smssend", rows)) {
        WriteLog(db.GetLastError(), 0);
        return -1;
    }
    return rows.empty() || rows[0].empty() ? 0 : static_cast<int32_t>(std::atol(rows[0][0].c_str()));
}

namespace {

// The codes among sendCodes that are notices recorded above codesBefore.
bool OwnNotices(CSQLDirect& db, const std::vector<int32_t>& sendCodes, int32_t codesBefore,
                std::vector<int32_t>& notices) {
    notices.clear();
    if (sendCodes.empty() || codesBefore < 0)
        return true;
    std::vector<std::vector<std::string>> found;
    if (!db.DoQuery("SELECT ss_code FROM smssend WHERE ss_target=3 AND ss_code>" +
                        std::to_string(codesBefore) + " AND ss_code IN (" + JoinCodes(sendCodes) +
                        ") ORDER BY ss_code",
                    found)) {
        WriteLog(db.GetLastError(), 0);
        return false;
    }
    for (const auto& row : found)
        if (!row.empty())
            notices.push_back(static_cast<int32_t>(std::atol(row[0].c_str())));
    return true;
}

} // namespace

CompletionOutcome CompleteNotices(CSQLDirect& db, const std::vector<int32_t>& sendCodes, int32_t codesBefore,
                                  const std::vector<int32_t>& chosen, const std::vector<RefusalRow>& rows,
                                  int empCode) {
    CompletionOutcome out;
    std::vector<int32_t> notices;
    if (!OwnNotices(db, sendCodes, codesBefore, notices)) {
        out.failure = UserNotice{K("SMS 발송리스트 데이타를 참조할 수 없습니다.(SQL오류)"), 1};
        return out;
    }
    std::vector<int32_t> reached;
    for (int32_t code : notices) {
        WriteLog(K("수신거부 완료통보 발송코드=") + std::to_string(code), 0);
        for (int32_t request : FindNotifiedRequests(db, code, rows, &out.failure))
            AddOnce(reached, request);
        if (!out.failure.empty())
            return out;
    }
    std::vector<int32_t> members;
    for (const RefusalRow& row : rows)
        if (row.memberCode > 0 && std::find(reached.begin(), reached.end(), row.requestCode) != reached.end())
            AddOnce(members, row.memberCode);
    std::vector<int32_t> refused;
    if (!MembersByRefusal(db, members, true, refused)) {
        out.failure = UserNotice{K("회원데이타를 참조할 수 없습니다.(SQL오류)"), 1};
        return out;
    }
    auto carriedOut = [&](int32_t request) {
        if (std::find(reached.begin(), reached.end(), request) == reached.end())
            return false;
        bool matched = false;
        for (const RefusalRow& row : rows) {
            if (row.requestCode != request || row.memberCode <= 0)
                continue;
            matched = true;
            if (std::find(refused.begin(), refused.end(), row.memberCode) == refused.end())
                return false;
        }
        return matched;
    };
    for (int32_t request : chosen) {
        if (carriedOut(request))
            AddOnce(out.completed, request);
        else
            AddOnce(out.onHold, request);
    }
    UserNotice failure;
    if (!out.completed.empty() &&
        !UpdateRequestStatus(db, out.completed, kRefusalCompleted, empCode, &failure))
        out.failure = failure;
    if (!out.onHold.empty() && !UpdateRequestStatus(db, out.onHold, kRefusalOnHold, empCode, &failure))
        out.failure = failure;
    return out;
}

bool CompleteByHand(CSQLDirect& db, const std::vector<int32_t>& chosen, int empCode, UserNotice* failure) {
    return UpdateRequestStatus(db, chosen, kRefusalByHand, empCode, failure) == 1;
}

std::string FormatRequestDate(const std::string& day) {
    if (day.size() != 8)
        return day;
    std::string text = day.substr(0, 4) + K("년 ") + day.substr(4, 2) + K("월 ") + day.substr(6, 2) + K("일");
    for (size_t at = text.find(" 0"); at != std::string::npos; at = text.find(" 0", at + 1))
        text.erase(at + 1, 1);
    return text;
}

RequestDates FillRequestDates(CSQLDirect& db, const std::vector<std::string>& phones) {
    RequestDates out;
    // One read of the open requests, newest first, instead of a statement per recipient built from
    // the recipient's text.
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery("SELECT sr_day, sr_rnumber, sr_key2 FROM smsrefuse WHERE sr_status IN (1, 2) "
                    "ORDER BY sr_day DESC, sr_time DESC",
                    rows)) {
        WriteLog(db.GetLastError(), 0);
        out.failure = UserNotice{K("수신거부리스트 데이타를 참조할 수 없습니다.(SQL오류)"), -1};
        return out;
    }
    std::map<std::string, std::string> newest; // restored number -> day of its newest open request
    for (const auto& row : rows) {
        if (row.size() < 3)
            continue;
        std::string number;
        UnmaskPhone(row[1], static_cast<int32_t>(std::atol(row[2].c_str())), number);
        std::erase(number, '*');
        newest.emplace(number, row[0]);
    }
    out.dates.reserve(phones.size());
    for (const std::string& phone : phones) {
        const auto it = phone.empty() ? newest.end() : newest.find(phone);
        if (it == newest.end())
            out.dates.emplace_back(std::nullopt);
        else
            out.dates.emplace_back(FormatRequestDate(it->second));
    }
    return out;
}
