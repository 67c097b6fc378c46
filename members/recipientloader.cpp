#include "members/recipientloader.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <vector>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::K;

namespace {

// Codes per statement. A statement per code is a round trip per member on a real server; 500 literals
// keep each statement far below the server's limits.
constexpr size_t kCodesPerStatement = 500;
constexpr int kRefusedBit = 0x1000;

struct TargetStatements {
    const char* progress; // UTF-8
    const char* codeColumn;
    const char* select;
    const char* failure; // UTF-8
};

const TargetStatements& StatementsOf(int targetType, RecipientLoadVariant variant) {
    static const TargetStatements members = {
        "SMS를 전송할 회원정보를 불러오는 중입니다.", "mem_code",
        "SELECT mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, mem_apply, mem_m2date, "
        "mem_hdate FROM member",
        "회원데이터를 참조할 수 없습니다!"};
    static const TargetStatements employees = {"SMS를 전송할 직원정보를 불러오는 중입니다.", "code",
                                               "SELECT code, [name], phone_cel, depart, title FROM employee",
                                               "직원데이터를 참조할 수 없습니다!"};
    static const TargetStatements suppliers = {
        "SMS를 전송할 공급사정보를 불러오는 중입니다.", "sup_code",
        "SELECT sup_code, sup_mgrname, sup_cel, sup_bzname, sup_ceoname FROM supplier",
        "공급사데이터를 참조할 수 없습니다!"};
    static const TargetStatements appMembers = {"AlderS 문자를 전송할 회원정보를 불러오는 중입니다.",
                                                "mem_code",
                                                "SELECT mem_code, mem_name, mem_cel, mem_key4, mem_point, "
                                                "mem_bzname, mem_apply, mem_m2date FROM member",
                                                "회원데이터를 참조할 수 없습니다!"};
    static const TargetStatements couponMembers = {"AlderS 쿠폰을 발행할 회원정보를 불러오는 중입니다.",
                                                   appMembers.codeColumn, appMembers.select,
                                                   appMembers.failure};
    if (variant == RecipientLoadVariant::AppMessage)
        return appMembers;
    if (variant == RecipientLoadVariant::Coupon)
        return couponMembers;
    switch (targetType) {
    case 1:
        return employees;
    case 2:
        return suppliers;
    default:
        return members;
    }
}

bool IsAppVariant(const RecipientLoadRequest& request) {
    return request.variant == RecipientLoadVariant::AppMessage ||
           request.variant == RecipientLoadVariant::Coupon;
}

bool IsMemberType(const RecipientLoadRequest& request) {
    return IsAppVariant(request) || (request.targetType != 1 && request.targetType != 2);
}

int ColumnsOf(const RecipientLoadRequest& request) {
    if (IsAppVariant(request))
        return 8;
    return IsMemberType(request) ? 9 : 5;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<long long> ParseCode(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// atoi as the stored texts are read, without its undefined overflow.
int32_t ToInt(const std::string& text) {
    return static_cast<int32_t>(std::strtoll(text.c_str(), nullptr, 10));
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
}

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Whether "code IN (...) <condition>" selects, for every code, exactly the rows "code=x <condition>"
// does: true for a condition made of AND terms. A top-level OR (or a set operator) would let rows of
// other codes in once per statement instead of once per code, so such a condition is run code by code.
bool ConditionNarrowsEachCode(std::string_view condition) {
    if (condition.empty())
        return true;
    if (condition.size() < 4 || (condition[0] | 0x20) != 'a' || (condition[1] | 0x20) != 'n' ||
        (condition[2] | 0x20) != 'd' || IsWordChar(condition[3]))
        return false;
    int depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < condition.size();) {
        const char c = condition[i];
        if (quoted) {
            quoted = c != '\'';
            i += zmsg::Cp949CharLen(condition, i);
            continue;
        }
        if (c == '\'') {
            quoted = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ';' || (c == '-' && i + 1 < condition.size() && condition[i + 1] == '-')) {
            return false; // a second statement or a comment could swallow what follows
        } else if (IsWordChar(c) && (i == 0 || !IsWordChar(condition[i - 1]))) {
            size_t end = i;
            while (end < condition.size() && IsWordChar(condition[end]))
                ++end;
            std::string word(condition.substr(i, end - i));
            for (char& w : word)
                w = static_cast<char>(w >= 'a' && w <= 'z' ? w - 'a' + 'A' : w);
            if (depth == 0 && (word == "OR" || word == "UNION" || word == "EXCEPT" || word == "INTERSECT"))
                return false;
            i = end;
            continue;
        }
        i += zmsg::Cp949CharLen(condition, i);
    }
    return depth == 0;
}

// One statement and the listed codes it stands for, in list order (repeats kept).
struct LoadPass {
    std::string sql;
    std::vector<long long> codes;
    bool byCode = false;
    int lastPosition = 0; // 1-based position in the code list of the last code this pass covers
};

std::string WhereClause(const std::string& codeTerm, std::string_view condition) {
    std::string where = " WHERE " + codeTerm;
    if (!condition.empty()) {
        if (!codeTerm.empty())
            where += ' ';
        where.append(condition);
    }
    ReplaceAll(where, "WHERE AND", "WHERE");
    return where;
}

std::vector<LoadPass> BuildPasses(const RecipientLoadRequest& request, size_t codesPerStatement) {
    const TargetStatements& target = StatementsOf(request.targetType, request.variant);
    std::string_view condition = request.condition;
    while (!condition.empty() && (condition.front() == ' ' || condition.front() == '\t'))
        condition.remove_prefix(1);

    std::vector<LoadPass> passes;
    std::vector<std::string> items;
    const int n = CvexGlobal::SplitString(request.codeList, items, ',');
    if (n == 0) {
        if (!condition.empty())
            passes.push_back({std::string(target.select) + WhereClause({}, condition), {}, false, 1});
        return passes;
    }

    if (!ConditionNarrowsEachCode(condition))
        codesPerStatement = 1;
    LoadPass pass;
    std::string inList;
    std::unordered_map<long long, bool> inPass;
    auto flush = [&] {
        if (pass.codes.empty())
            return;
        const std::string term = inPass.size() == 1 ? std::string(target.codeColumn) + "=" + inList
                                                    : std::string(target.codeColumn) + " IN (" + inList + ")";
        pass.sql = std::string(target.select) + WhereClause(term, condition);
        pass.byCode = true;
        passes.push_back(std::move(pass));
        pass = LoadPass{};
        inList.clear();
        inPass.clear();
    };
    for (int i = 0; i < n; ++i) {
        const std::optional<long long> code = ParseCode(items[static_cast<size_t>(i)]);
        if (!code) {
            WriteLog(K("전송대상 코드가 숫자가 아니어서 건너뜀 : [") + items[static_cast<size_t>(i)] + "]",
                     1);
            continue;
        }
        if (inPass.emplace(*code, true).second) {
            if (!inList.empty())
                inList += ',';
            inList += std::to_string(*code);
        }
        pass.codes.push_back(*code);
        pass.lastPosition = i + 1;
        if (inPass.size() >= codesPerStatement)
            flush();
    }
    flush();
    return passes;
}

using Row = std::vector<std::string>; // columns 1.. of the SELECT at index 0..

struct Loader {
    const RecipientLoadRequest& request;
    RecipientList& list;
    RecipientLoadSummary summary;

    void Take(const Row& row) {
        ++summary.total;
        if (!IsMemberType(request)) {
            Count(list.AddRecipient(ToInt(row[0]), row[1], row[2], row[3], row[4], {}));
            return;
        }
        std::string phone = row[2];
        std::string unmasked;
        if (UnmaskPhone(phone, ToInt(row[3]), unmasked))
            phone = std::move(unmasked);
        if (request.variant == RecipientLoadVariant::Coupon) {
            TakeCouponMember(row, phone);
            return;
        }
        std::string name = row[1];
        if (!row[5].empty())
            name += "(" + row[5] + ")";
        const bool refused = (ToInt(row[6]) & kRefusedBit) != 0;
        const bool app = request.variant == RecipientLoadVariant::AppMessage;
        // Type 3 keeps only those who refused; everyone else leaves them out.
        if ((!app && request.targetType == 3) ? !refused : refused) {
            ++summary.skipped;
            return;
        }
        if (app) {
            Count(list.AddAppRecipient(ToInt(row[0]), name, phone, CvexGlobal::GetMoneyString(row[4]),
                                       row[7].substr(0, 16), false));
            return;
        }
        // For members who refused, column 4 is their request date, put in by the refusal work.
        const std::string lastVisit = request.targetType == 3 ? std::string() : row[8].substr(0, 16);
        Count(list.AddRecipient(ToInt(row[0]), name, phone, CvexGlobal::GetMoneyString(row[4]), lastVisit,
                                row[7].substr(0, 16)));
    }

    // A coupon is no message: refusal of advertising and failed deliveries do not matter, every
    // member listed is checked. The number and app checks are the app message's.
    void TakeCouponMember(const Row& row, const std::string& phone) {
        const int result = list.AddAppRecipient(
            ToInt(row[0]), row[1], phone, CvexGlobal::GetMoneyString(row[4]), row[7].substr(0, 16), false);
        if (result == RecipientList::Added || result == RecipientList::AddedUnchecked) {
            Recipient& added = list[list.size() - 1];
            added.text4 = row[5];
            added.remark.clear();
            added.checked = true;
            return;
        }
        Count(result);
    }

    void Count(int result) {
        if (result == RecipientList::AddedUnchecked)
            ++summary.threeFail;
        else if (result == RecipientList::BadFormat)
            ++summary.badFormat;
        else if (result == RecipientList::Duplicate)
            ++summary.duplicate;
        else if (result == RecipientList::NoApp)
            ++summary.noApp;
    }
};

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

std::string Grouped(int count) {
    return CvexGlobal::GetMoneyString(static_cast<long long>(count));
}

} // namespace

std::vector<std::string> RecipientLoadStatements(const RecipientLoadRequest& request) {
    std::vector<std::string> out;
    for (LoadPass& pass : BuildPasses(request, kCodesPerStatement))
        out.push_back(std::move(pass.sql));
    return out;
}

RecipientLoadSummary LoadRecipients(CSQLDirect& db, const RecipientLoadRequest& request, RecipientList& list,
                                    const ProgressHooks& progress) {
    list.Clear();
    Loader loader{request, list, {}};
    const std::vector<LoadPass> passes = BuildPasses(request, kCodesPerStatement);
    const TargetStatements& target = StatementsOf(request.targetType, request.variant);
    std::vector<std::string> items;
    const int n = CvexGlobal::SplitString(request.codeList, items, ',');
    progress.Show(K(target.progress));
    progress.Range(n);

    const int columns = ColumnsOf(request);
    Row row(static_cast<size_t>(columns));
    auto fetchRow = [&] {
        for (int c = 0; c < columns; ++c)
            row[static_cast<size_t>(c)] = db.GetCol(c + 1);
    };
    for (const LoadPass& pass : passes) {
        progress.Pos(pass.lastPosition);
        const int rc = db.ExecuteSQL(pass.sql.c_str());
        if (!Succeeded(rc)) {
            WriteLog(K(target.failure) + " (" + db.GetLastError() + ") " + pass.sql, 1);
            ShowMessageBox(K(target.failure));
            loader.summary.failed = true;
            break;
        }
        if (rc == SQL_NODATA)
            continue;
        if (!pass.byCode) {
            while (db.Fetch() == SQL_OK) {
                fetchRow();
                loader.Take(row);
            }
            continue;
        }
        // The rows of a code come back in the server's order; they are taken in the order the codes
        // were listed, a code listed twice giving its rows twice, as a statement per code would.
        std::unordered_map<long long, std::vector<Row>> byCode;
        while (db.Fetch() == SQL_OK) {
            fetchRow();
            const std::string_view text = TrimBlanks(row[0]);
            long long code = 0;
            std::from_chars(text.data(), text.data() + text.size(), code);
            byCode[code].push_back(row);
        }
        for (long long code : pass.codes) {
            const auto it = byCode.find(code);
            if (it == byCode.end())
                continue;
            for (const Row& r : it->second)
                loader.Take(r);
        }
    }
    progress.Hide();
    return loader.summary;
}

std::string LoadSummaryMessage(const RecipientLoadSummary& summary, int targetType) {
    const int added = summary.added();
    if (added == summary.total)
        return {};
    std::string text = K("총 ") + Grouped(summary.total) + K("건중 ") + Grouped(summary.total - added) +
                       K("건의 전화번호가 부적합하여 ") + Grouped(added) +
                       K("건만 전송대상에 추가했습니다.\n");
    if (summary.skipped > 0)
        text += K("\n▶ SMS 수신") + K(targetType == 3 ? "허용" : "거부") + " : " + Grouped(summary.skipped) +
                K(" 건");
    if (summary.threeFail > 0)
        text += K("\n▶ 3회이상 수신실패 : ") + Grouped(summary.threeFail) + K(" 건 (체크하시면 발송가능)");
    if (summary.badFormat > 0)
        text += K("\n▶ 전화번호형식오류 : ") + Grouped(summary.badFormat) + K(" 건");
    if (summary.duplicate > 0)
        text += K("\n▶ 전송대상중복 : ") + Grouped(summary.duplicate) + K(" 건");
    return text;
}

std::string AppLoadSummaryMessage(const RecipientLoadSummary& summary) {
    const int added = summary.added();
    if (added == summary.total)
        return {};
    std::string text = K("총 ") + Grouped(summary.total) + K("건중 ") + Grouped(summary.total - added) +
                       K("건의 전화번호가 부적합하여 ") + Grouped(added) +
                       K("건만 전송대상에 추가했습니다.\n");
    if (summary.skipped > 0)
        text += K("\n▶ SMS 수신거부 : ") + Grouped(summary.skipped) + K(" 건");
    if (summary.threeFail > 0)
        text += K("\n▶ 3회이상 수신실패 : ") + Grouped(summary.threeFail) + K(" 건 (체크하시면 전송가능)");
    if (summary.badFormat > 0)
        text += K("\n▶ 전화번호형식오류 : ") + Grouped(summary.badFormat) + K(" 건");
    if (summary.duplicate > 0)
        text += K("\n▶ 전송대상중복 : ") + Grouped(summary.duplicate) + K(" 건");
    if (summary.noApp > 0)
        text += K("\n▶ AlderS 미접속 : ") + Grouped(summary.noApp) + K(" 건");
    return text;
}
