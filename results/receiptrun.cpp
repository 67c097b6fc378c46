#include "results/receiptrun.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include <QLoggingCategory>

#include "center/phonemask.h"
#include "center/send/sendsettle.h"
#include "center/storecode.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "text/codec.h"

using zmsg::K;

// Off unless a host asks for it: other hosts find the summary in the module's log.
Q_LOGGING_CATEGORY(lcReceiptSummary, "zmsg.receipt", QtWarningMsg)

namespace {

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

std::string Str(long long v) {
    return std::to_string(v);
}

constexpr size_t kRowsPerUpdate = 500;

// The stored number with its hidden digits restored where its key allows, reduced to digits.
std::string StoredDigits(const std::string& stored, const std::string& key) {
    std::string out;
    UnmaskPhone(stored, static_cast<int32_t>(std::atoi(key.c_str())), out);
    return CvexGlobal::GetNumberOnlyString(out);
}

} // namespace

std::string ReceiptSummaryText(const ReceiptSummary& s, bool oneLine) {
    const bool sms = s.kind == ReceiptKind::Sms;
    const std::string sep = oneLine ? ", " : K("\n▶ ");
    std::string text;
    if (oneLine)
        text =
            (sms ? K("SMS 결과수신 ") : K("SMMS 결과수신 ")) + (s.completed ? K("완료") : K("중단")) + ": ";
    else
        text = (sms ? K("SMS") : K("SMMS")) +
               (s.completed ? K(" 전송결과 수신을 마쳤습니다.") : K(" 전송결과 수신이 중단되었습니다.")) +
               K("\n\n▶ ");
    text += K("결과를 요청한 전송 ") + Str(s.asked) + K("건") + sep;
    text += K("반영한 결과 ") + CvexGlobal::GetMoneyString(s.results) + K("건(수신실패 ") +
            CvexGlobal::GetMoneyString(s.failed) + K("건)") + sep;
    text += (sms ? K("실패 표시(*)한 회원 ") : K("실패 횟수를 올린 회원 ")) +
            CvexGlobal::GetMoneyString(s.starred) + K("명") + sep;
    text += K("결과를 기다리는 전송 ") + Str(s.pending) + K("건");
    if (s.unsettled > 0)
        text += sep + K("완료 확인이 필요한 전송 ") + Str(s.unsettled) +
                (sms ? K("건(문자 보내기 창에서 정리)") : K("건(AlderS 메시지 전송창에서 정리)"));
    return text;
}

CReceiptRun::CReceiptRun(CSQLDirect* db, int32_t ssCode, ReceiptKind kind, const char* lockName,
                         std::string startLine)
    : m_db(db), m_ssCode(ssCode), m_lockName(lockName), m_startLine(std::move(startLine)) {
    m_counts.kind = kind;
}

CReceiptRun::~CReceiptRun() = default;

void CReceiptRun::Show(const std::string& text) {
    LogAndShow(text, 1);
}

int CReceiptRun::Run(const ProgressHooks& progress) {
    WriteLog(m_startLine, 0);
    if (!m_db || !m_db->IsOpen())
        return 0;
    switch (m_lock.TryAcquire(m_lockName)) {
    case RunLock::Outcome::Held:
        break;
    case RunLock::Outcome::Busy:
        WriteLog(K("이미 결과수신 프로세스가 실행중입니다."), 0);
        return 0;
    case RunLock::Outcome::Unusable:
        // The lock only spares the center a second round of the same questions: each send is marked
        // received in the transaction that applies its results, guarded on its pending state, so two
        // runs that meet still apply every send once. Going on is safe; staying silent is not.
        Show(K("결과수신 잠금파일을 사용할 수 없어 잠금 없이 진행합니다.(") +
             zmsg::ToCp949Lossy(QString::fromLocal8Bit(m_lock.failure().c_str())) + ")");
        break;
    }
    const ReceiptKind kind = m_counts.kind;
    m_counts = ReceiptSummary{};
    m_counts.kind = kind;
    // Sends the center may have ended without the store's history knowing are settled first, so
    // their results have rows to land in.
    m_counts.unsettled = SettleJournal(*m_db, progress);
    const int result = Receive(progress);
    m_counts.completed = result != 0;
    m_counts.pending = CountPending();
    m_summary = m_counts;
    // One closing line, so a run from cron can be judged from the log alone. A host that wants it too
    // (the stand-in prints it as its exit line) enables the category and takes it from Qt's log.
    const std::string line = ReceiptSummaryText(m_counts, true);
    WriteLog(line, 0);
    qCInfo(lcReceiptSummary).noquote() << zmsg::FromCp949(line);
    return result;
}

int CReceiptRun::CountPending() {
    std::vector<std::vector<std::string>> rows;
    if (!m_db->DoQuery("SELECT COUNT(*) FROM smssend WHERE " + PendingCondition(), rows) || rows.empty() ||
        rows[0].empty()) {
        WriteLog(m_db->GetLastError(), 0);
        return 0;
    }
    return std::atoi(rows[0][0].c_str());
}

void CReceiptRun::ReadStoreCode() {
    if (const auto storeCode = ::ReadStoreCode(*m_db, StoreCodeRead::WarningsAllowed))
        m_mart = *storeCode;
}

std::string CReceiptRun::DayAgo() {
    return zmsg::Clock::now().addSecs(-24 * 3600).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
}

CReceiptRun::Applied CReceiptRun::ApplySend(const Apply& a, const ProgressHooks& progress) {
    if (!m_db->BeginTrans()) {
        WriteLog(m_db->GetLastError(), 0);
        Show(a.dbFailure);
        return Applied::Failed;
    }
    auto fail = [&](const std::string& text) {
        WriteLog(m_db->GetLastError(), 0);
        m_db->RollbackTrans();
        Show(text);
        return Applied::Failed;
    };
    const std::string code = Str(a.localCode);
    const std::string state = a.stateColumn;
    // The send is marked first, guarded on the state the database holds now rather than the one read
    // before: of two runs that meet on a send (another process, a lock that could not be made), only
    // the one whose mark changed the row goes on to the members.
    const int markRc =
        m_db->ExecuteSQL(("UPDATE smssend SET " + state + "=" + Str(a.mark) + " WHERE ss_code=" + code +
                          " AND (" + state + "=0 OR " + state + " IS NULL)")
                             .c_str());
    if (!Succeeded(markRc))
        return fail(a.dbFailure);
    const bool marked = markRc != SQL_NODATA;
    if (!marked && a.stateRead == 0) {
        // Pending when it was selected, received by now: another run applied these results.
        m_db->RollbackTrans();
        WriteLog(K("다른 결과수신이 이미 반영한 전송건(SSLocal=") + code + ")", 0);
        return Applied::Elsewhere;
    }
    int recorded = 0;
    int failed = 0;
    int changed = 0;
    bool anyItem = false;
    if (!a.cancelled && a.items) {
        const ResultItems& items = *a.items;
        progress.Show(a.applyingText);
        progress.Range(static_cast<int>(items.items.size()));
        WriteLog(K("결과수신=") + Str(static_cast<long long>(items.raw)) + K("건"), 0);
        for (const std::string& bad : items.rejected)
            WriteLog(K("결과 형식 오류(") + bad + ")", 0);
        // The send's rows by restored number (the first row of a number wins), read once when the
        // first result needs them: one scan of the send per result made a large receipt quadratic.
        std::optional<std::unordered_map<std::string, int>> seqOf;
        std::map<int, int> resultOf; // sl_seq -> result
        for (size_t k = 0; k < items.items.size(); ++k) {
            progress.Pos(static_cast<int>(k + 1));
            const ResultItem& item = items.items[k];
            anyItem = true;
            if (item.result == 2)
                ++failed;
            if (!seqOf) {
                const std::string find =
                    "SELECT sl_seq, sl_phone, sl_key FROM smslist WHERE sl_sscode=" + code + " AND " +
                    a.rowFilter + " ORDER BY sl_seq";
                if (!Succeeded(m_db->ExecuteSQL(find.c_str())))
                    return fail(a.lookupFailure);
                seqOf.emplace();
                seqOf->reserve(items.items.size());
                while (m_db->Fetch() == SQL_OK) {
                    std::string restored;
                    UnmaskPhone(m_db->GetCol(2), static_cast<int32_t>(std::atoi(m_db->GetCol(3).c_str())),
                                restored);
                    seqOf->emplace(std::move(restored), std::atoi(m_db->GetCol(1).c_str()));
                }
            }
            const auto it = seqOf->find(item.phone);
            if (it == seqOf->end()) {
                WriteLog(K("결과기록 대상 전화번호 없음(번호=") + item.phone + K(", 결과=") +
                             Str(item.result) + "))",
                         0);
                continue;
            }
            resultOf[it->second] = item.result; // a later item for the same row wins, as an overwrite would
            ++recorded;
        }
        // Rows of one result go together, a few hundred to a statement: one statement per row made a
        // large receipt spend its time preparing statements.
        std::map<int, std::vector<int>> seqsOf;
        for (const auto& [seq, result] : resultOf)
            seqsOf[result].push_back(seq);
        for (const auto& [result, seqs] : seqsOf) {
            for (size_t from = 0; from < seqs.size(); from += kRowsPerUpdate) {
                std::string update = "UPDATE smslist SET sl_result=" + Str(result) +
                                     " WHERE sl_sscode=" + code + " AND sl_seq IN (";
                const size_t to = std::min(seqs.size(), from + kRowsPerUpdate);
                for (size_t k = from; k < to; ++k) {
                    if (k > from)
                        update += ',';
                    update += Str(seqs[k]);
                }
                update += ')';
                if (!Succeeded(m_db->ExecuteSQL(update.c_str())))
                    return fail(a.dbFailure);
            }
        }
        // Members only by the run that marked the send: a send received before (asked again by its
        // code) or by another run has had its members' marks.
        if (marked && a.members && !a.members(changed)) {
            m_db->RollbackTrans();
            return Applied::Failed;
        }
    }
    WriteLog(K("결과기록=") + Str(recorded) + K("건, 실패=") + Str(failed) + K("건"), 0);
    if (!(a.cancelled || recorded > 0 || (a.anyItemMarks && anyItem))) {
        // Nothing in the reply was ours to record: the send stays pending (the mark goes) and is asked
        // for again by the next run.
        m_db->RollbackTrans();
        return Applied::Nothing;
    }
    const std::string update = "UPDATE smssend SET " + std::string(a.failColumn) + "=" + Str(failed) + ", " +
                               state + "=" + Str(a.mark) + ", " + a.dateColumn +
                               "=GETDATE() WHERE ss_code=" + code;
    if (!Succeeded(m_db->ExecuteSQL(update.c_str())))
        return fail(a.dbFailure);
    if (!m_db->CommitTrans())
        return fail(a.dbFailure);
    m_counts.results += recorded;
    m_counts.failed += failed;
    m_counts.starred += changed;
    return Applied::Written;
}

bool CReceiptRun::UpdateMembers(const std::string& query, const std::string& queryFailure,
                                const std::function<std::string(const Row&)>& update,
                                const std::function<bool(const Row&)>& counts,
                                const std::string& updateFailure, const ProgressHooks& progress,
                                int& changed) {
    std::vector<Row> rows;
    if (!m_db->DoQuery(query, rows)) {
        WriteLog(m_db->GetLastError(), 0);
        Show(queryFailure);
        return false;
    }
    progress.Range(static_cast<int>(rows.size()));
    // Members that take the same statement go together, a few hundred to a statement. A member listed
    // twice in the send is updated once, by its first row.
    std::map<std::string, std::vector<int>> codesOf;
    std::unordered_map<int, bool> seen;
    int counted = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        if (r.size() < 6)
            continue;
        const std::string member = StoredDigits(r[1], r[2]);
        if (member.empty() || member != StoredDigits(r[3], r[4]))
            continue; // the member changed number since
        const int code = std::atoi(r[0].c_str());
        if (!seen.emplace(code, true).second)
            continue;
        const std::string head = update(r);
        if (head.empty())
            continue;
        codesOf[head].push_back(code);
        counted += counts(r) ? 1 : 0;
    }
    int done = 0;
    for (const auto& [head, codes] : codesOf) {
        for (size_t from = 0; from < codes.size(); from += kRowsPerUpdate) {
            std::string sql = head + " AND mem_code IN (";
            const size_t to = std::min(codes.size(), from + kRowsPerUpdate);
            for (size_t k = from; k < to; ++k) {
                if (k > from)
                    sql += ',';
                sql += Str(codes[k]);
            }
            sql += ')';
            if (!Succeeded(m_db->ExecuteSQL(sql.c_str()))) {
                WriteLog(m_db->GetLastError(), 0);
                Show(updateFailure);
                return false;
            }
            done += static_cast<int>(to - from);
            progress.Pos(done);
        }
    }
    changed += counted;
    return true;
}
