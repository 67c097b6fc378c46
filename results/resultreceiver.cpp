#include "results/resultreceiver.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QLoggingCategory>

#include "center/centerconfig.h"
#include "center/db/sqldirect.h"
#include "center/phonemask.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "results/historypurge.h"
#include "center/send/sendrecord.h"
#include "center/send/sendsettle.h"

using zmsg::K;

// Off unless a host asks for it: other hosts find the summary in the module's log.
Q_LOGGING_CATEGORY(lcReceiptSummary, "zmsg.receipt", QtWarningMsg)

namespace {

constexpr const char* kPath = "/ZMSG/AppRequest.ashx";

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

std::string Str(long long v) {
    return std::to_string(v);
}

constexpr size_t kRowsPerUpdate = 500;

bool AllDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The stored number with its hidden digits restored where its key allows, reduced to digits.
std::string StoredDigits(const std::string& stored, const std::string& key) {
    std::string out;
    UnmaskPhone(stored, static_cast<int32_t>(std::atoi(key.c_str())), out);
    return CvexGlobal::GetNumberOnlyString(out);
}

} // namespace

struct CResultReceiver::SendRow {
    int32_t localCode = 0;
    int32_t centerCode = 0;
    int32_t target = 0;
    int32_t count = 0;
    std::string sendTime;
    int32_t reserved = 0;
    std::string reservation;
    int32_t state = 0;
};

CResultReceiver::CResultReceiver(CSQLDirect* db, int32_t ssCode) : m_db(db), m_ssCode(ssCode) {}

CResultReceiver::~CResultReceiver() = default;

void CResultReceiver::Show(const std::string& text) {
    LogAndShow(text, 1);
}

int CResultReceiver::Run(const ProgressHooks& progress) {
    WriteLog(K("---------------- SMS 결과수신 시작 ----------------"), 0);
    if (!m_db || !m_db->IsOpen())
        return 0;
    switch (m_lock.TryAcquire(kLockName)) {
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
    m_counts = ReceiptSummary{};
    const int result = RunLocked(progress);
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

int CResultReceiver::CountPending() {
    std::vector<std::vector<std::string>> rows;
    if (!m_db->DoQuery("SELECT COUNT(*) FROM smssend WHERE ss_idate > DATEADD(month, -2, GETDATE()) AND "
                       "(ss_result=0 OR ss_result IS NULL) AND ss_trcount > 0",
                       rows) ||
        rows.empty() || rows[0].empty()) {
        WriteLog(m_db->GetLastError(), 0);
        return 0;
    }
    return std::atoi(rows[0][0].c_str());
}

std::string ReceiptSummaryText(const ReceiptSummary& s, bool oneLine) {
    const std::string sep = oneLine ? ", " : K("\n▶ ");
    std::string text = oneLine ? K("SMS 결과수신 ") + (s.completed ? K("완료") : K("중단")) + ": "
                               : (s.completed ? K("SMS 전송결과 수신을 마쳤습니다.")
                                              : K("SMS 전송결과 수신이 중단되었습니다.")) +
                                     K("\n\n▶ ");
    text += K("결과를 요청한 전송 ") + Str(s.asked) + K("건") + sep;
    text += K("반영한 결과 ") + CvexGlobal::GetMoneyString(s.results) + K("건(수신실패 ") +
            CvexGlobal::GetMoneyString(s.failed) + K("건)") + sep;
    text += K("실패 표시(*)한 회원 ") + CvexGlobal::GetMoneyString(s.starred) + K("명") + sep;
    text += K("결과를 기다리는 전송 ") + Str(s.pending) + K("건");
    if (s.unsettled > 0)
        text += sep + K("완료 확인이 필요한 전송 ") + Str(s.unsettled) + K("건(문자 보내기 창에서 정리)");
    return text;
}

int CResultReceiver::RunLocked(const ProgressHooks& progress) {
    // Sends the center may have ended without the store's history knowing are settled first, so
    // their results have rows to land in.
    m_counts.unsettled = SettleJournal(*m_db, progress);

    PurgeHistory(*m_db, m_ssCode, progress);

    progress.Show(K("전송결과를 수신하지 않은 문자전송내역을 불러오는중"));
    progress.Corner(m_ssCode != 0 ? 0 : 2);
    progress.TopMost(m_ssCode == 0);
    progress.Range(0);

    if (Succeeded(m_db->ExecuteSQL("SELECT cc_maxcode FROM ccode WHERE cc_code=7")) &&
        m_db->Fetch() == SQL_OK)
        m_mart = std::atoi(m_db->GetCol(1).c_str());

    std::string sql =
        "SELECT ss_code, ss_center, ss_target, ss_trcount, ss_idate, ss_reserve, ss_reservedate, "
        "ss_result FROM smssend ";
    if (m_ssCode > 0)
        sql += "WHERE ss_code=" + Str(m_ssCode);
    else
        sql += "WHERE ss_idate > DATEADD(month, -2, GETDATE()) AND ss_idate < DATEADD(hour, -24, GETDATE()) "
               "AND (ss_result=0 OR ss_result IS NULL) AND ss_trcount > 0 ORDER BY ss_code";
    std::vector<std::vector<std::string>> rows;
    if (!m_db->DoQuery(sql, rows)) {
        WriteLog(m_db->GetLastError(), 0);
        Show(K("전송결과를 수신하지 않은 문자전송내역을 참조할 수 없습니다.(SQL오류)"));
        return 0;
    }
    const std::string limit =
        zmsg::Clock::now().addSecs(-24 * 3600).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();

    for (const auto& row : rows) {
        if (row.size() < 8)
            continue;
        SendRow send;
        send.localCode = std::atoi(row[0].c_str());
        send.centerCode = std::atoi(row[1].c_str());
        send.target = std::atoi(row[2].c_str());
        send.count = std::atoi(row[3].c_str());
        send.sendTime = row[4].substr(0, 16);
        send.reserved = std::atoi(row[5].c_str());
        send.reservation = row[6];
        send.state = std::atoi(row[7].c_str());
        if (ReceiveSend(send, limit, progress) == SendStep::Stop)
            return 0;
    }
    return 1;
}

CResultReceiver::SendStep CResultReceiver::ReceiveSend(const SendRow& send, const std::string& limit,
                                                       const ProgressHooks& progress) {
    WriteLog(K("결과수신 SSLocal=") + Str(send.localCode) + ", SSCenter=" + Str(send.centerCode), 0);
    if (send.count < 1) {
        WriteLog(K("해당 SS에 문자발송대상 정보없음(ss_trcount = 0)"), 0);
        return SendStep::Next;
    }
    if (send.sendTime > limit) {
        if (m_ssCode > 0) {
            Show(K("전송후 24시간이 경과되지 않았습니다.(") + send.sendTime + ")");
            return SendStep::Stop;
        }
        return SendStep::Next;
    }
    if (send.reserved != 0 && send.reservation > limit) {
        if (m_ssCode > 0) {
            Show(K("예약전송시각에서 24시간이 경과되지 않았습니다.(") + send.reservation + ")");
            return SendStep::Stop;
        }
        return SendStep::Next;
    }
    progress.Show(send.sendTime + K(" 에 전송한") + CvexGlobal::GetMoneyString(send.count) +
                  K("건의 전송결과 수신중..."));
    progress.Range(send.count);

    std::string raw;
    ++m_counts.asked;
    if (!RequestPost(zmsg::CenterUrl(kPath),
                     "work=SMSRESULT&mart=" + Str(m_mart) + "&ss=" + Str(send.centerCode), raw, 120000)) {
        Show(K("센터에서 문자전송결과를 참조할 수 없습니다.(통신실패)"));
        return SendStep::Stop;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    const bool cancelled = reply.size() >= 3 && reply[0] == '9';
    std::vector<std::string> items;
    if (cancelled) {
        WriteLog(K("취소된 전송건"), 0);
    } else if (reply.size() >= 2 && reply[0] == '1' && reply[1] == ':') {
        // The items start right after "1:"; blanking the prefix instead would leave two blanks in
        // front of the first phone, and the first result would never match.
        CvexGlobal::SplitString(std::string_view(reply).substr(2), items, '#');
    } else {
        std::string text = K("센터 문자전송결과 확인실패");
        if (zmsg::HasReason(reply))
            text += K("\n\n☞ ") + reply;
        Show(text);
        return SendStep::Next;
    }

    // The results, the members' stars and the send's state land together or not at all: a rerun
    // after a failure then applies each result exactly once.
    const std::string dbFailure = K("문자전송결과를 DB에 기록할 수 없습니다.(SQL오류)");
    if (!m_db->BeginTrans()) {
        WriteLog(m_db->GetLastError(), 0);
        Show(dbFailure);
        return SendStep::Stop;
    }
    auto stop = [&](const std::string& text) {
        WriteLog(m_db->GetLastError(), 0);
        m_db->RollbackTrans();
        Show(text);
        return SendStep::Stop;
    };
    // The send is marked received first, guarded on the state the database holds now rather than the
    // one read before: of two runs that meet on a send (another process, a lock that could not be
    // made), only the one whose mark changed the row goes on to the members.
    const int markRc =
        m_db->ExecuteSQL(("UPDATE smssend SET ss_result=" + std::string(cancelled ? "9" : "1") +
                          " WHERE ss_code=" + Str(send.localCode) + " AND (ss_result=0 OR ss_result IS NULL)")
                             .c_str());
    if (!Succeeded(markRc))
        return stop(dbFailure);
    const bool marked = markRc != SQL_NODATA;
    if (!marked && send.state == 0) {
        // Pending when it was selected, received by now: another run applied these results. Nothing
        // is written twice; the confirmation below is harmless to repeat.
        m_db->RollbackTrans();
        WriteLog(K("다른 결과수신이 이미 반영한 전송건(SSLocal=") + Str(send.localCode) + ")", 0);
        return Confirm(send, cancelled || !items.empty());
    }
    int recorded = 0;
    int failed = 0;
    int starred = 0;
    // The send's rows by restored number (the first row of a number wins), read once when the first
    // result needs them: one scan of the send per result made a large receipt quadratic.
    std::optional<std::unordered_map<std::string, int>> seqOf;
    std::map<int, int> resultOf; // sl_seq -> result
    if (!cancelled) {
        progress.Show(K("수신받은 문자전송결과를 전송내역 DB에 적용중..."));
        progress.Range(static_cast<int>(items.size()));
        WriteLog(K("결과수신=") + Str(static_cast<long long>(items.size())) + K("건"), 0);
        for (size_t k = 0; k < items.size(); ++k) {
            progress.Pos(static_cast<int>(k + 1));
            // Only "digits:number" items are used: center text never reaches a statement unchecked.
            const std::string item = CvexGlobal::Trim(items[k]);
            const size_t p = item.rfind(':');
            const std::string phone = p == std::string::npos ? std::string() : item.substr(0, p);
            const std::string resultText = p == std::string::npos ? std::string() : item.substr(p + 1);
            if (phone.size() < 5 || phone.size() > 20 || !AllDigits(phone) || !AllDigits(resultText) ||
                resultText.size() > 9) {
                if (!item.empty())
                    WriteLog(K("결과 형식 오류(") + item.substr(0, 40) + ")", 0);
                continue;
            }
            const int result = std::atoi(resultText.c_str());
            if (result == 2)
                ++failed;
            int seq = -1;
            if (!seqOf) {
                const std::string find =
                    "SELECT sl_seq, sl_phone, sl_key FROM smslist WHERE sl_sscode=" + Str(send.localCode) +
                    " AND (sl_sendtype=0 OR sl_sendtype IS NULL) ORDER BY sl_seq";
                if (!Succeeded(m_db->ExecuteSQL(find.c_str())))
                    return stop(K("문자전송결과를 기록하기 위한 상세내역을 참조할 수 없습니다.(SQL오류)"));
                seqOf.emplace();
                while (m_db->Fetch() == SQL_OK) {
                    std::string restored;
                    UnmaskPhone(m_db->GetCol(2), static_cast<int32_t>(std::atoi(m_db->GetCol(3).c_str())),
                                restored);
                    seqOf->emplace(std::move(restored), std::atoi(m_db->GetCol(1).c_str()));
                }
            }
            if (const auto it = seqOf->find(phone); it != seqOf->end())
                seq = it->second;
            if (seq < 0) {
                WriteLog(K("결과기록 대상 전화번호 없음(번호=") + phone + K(", 결과=") + Str(result) + "))",
                         0);
                continue;
            }
            resultOf[seq] = result; // a later item for the same row wins, as an overwrite would
            ++recorded;
        }
        // Rows of one result go together, a few hundred to a statement: one statement per row made
        // a large receipt spend its time preparing statements.
        std::map<int, std::vector<int>> seqsOf;
        for (const auto& [seq, result] : resultOf)
            seqsOf[result].push_back(seq);
        for (const auto& [result, seqs] : seqsOf) {
            for (size_t from = 0; from < seqs.size(); from += kRowsPerUpdate) {
                std::string update = "UPDATE smslist SET sl_result=" + Str(result) +
                                     " WHERE sl_sscode=" + Str(send.localCode) + " AND sl_seq IN (";
                const size_t to = std::min(seqs.size(), from + kRowsPerUpdate);
                for (size_t k = from; k < to; ++k) {
                    if (k > from)
                        update += ',';
                    update += Str(seqs[k]);
                }
                update += ')';
                if (!Succeeded(m_db->ExecuteSQL(update.c_str())))
                    return stop(dbFailure);
            }
        }
        // Members only by the run that marked the send: a send received before (asked again by its
        // code) or by another run has had its stars.
        if (marked && send.target == 0 && !ApplyToMembers(send.localCode, progress, starred)) {
            m_db->RollbackTrans();
            return SendStep::Stop;
        }
    }
    WriteLog(K("결과기록=") + Str(recorded) + K("건, 실패=") + Str(failed) + K("건"), 0);
    if (cancelled || recorded > 0) {
        const std::string update = "UPDATE smssend SET ss_trfail=" + Str(failed) +
                                   ", ss_result=" + (cancelled ? "9" : "1") +
                                   ", ss_resultdate=GETDATE() WHERE ss_code=" + Str(send.localCode);
        if (!Succeeded(m_db->ExecuteSQL(update.c_str())))
            return stop(dbFailure);
        if (!m_db->CommitTrans())
            return stop(dbFailure);
        m_counts.results += recorded;
        m_counts.failed += failed;
        m_counts.starred += starred;
    } else {
        // Nothing in the reply was ours to record: the send stays pending (the mark goes) and is asked
        // for again by the next run.
        m_db->RollbackTrans();
    }

    // Confirming a reply that carried no result would tell the center we hold results we never saw
    // (a reply cut to "1:" after the center handed them out): they are asked for again instead.
    return Confirm(send, cancelled || !items.empty());
}

CResultReceiver::SendStep CResultReceiver::Confirm(const SendRow& send, bool received) {
    if (!received)
        return SendStep::Next;
    std::string ignored;
    if (!RequestPost(zmsg::CenterUrl(kPath), "work=SMSRESULTOK&ss=" + Str(send.centerCode), ignored, 0)) {
        Show(K("문자전송결과를 정상수신했음을 센터에 통보할 수 없습니다.(통신실패)"));
        return SendStep::Stop;
    }
    return SendStep::Next;
}

bool CResultReceiver::ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& starred) {
    progress.Show(K("회원정보에 문자전송결과를 반영하는 중입니다."));
    progress.Range(0);
    std::vector<std::vector<std::string>> rows;
    const std::string sql =
        "SELECT mem_code, mem_cel, mem_key4, sl_phone, sl_key, sl_result FROM member JOIN smslist ON "
        "mem_code=sl_ref WHERE sl_sscode=" +
        Str(localCode) +
        " AND ((sl_result=1 AND mem_cel LIKE '*%') OR (sl_result=2 AND mem_cel NOT LIKE '***%')) ORDER BY "
        "sl_seq";
    if (!m_db->DoQuery(sql, rows)) {
        WriteLog(m_db->GetLastError(), 0);
        Show(K("문자전송결과를 반영할 회원정보를 참조할 수 없습니다.(SQL오류)"));
        return false;
    }
    progress.Range(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        progress.Pos(static_cast<int>(i + 1));
        const auto& r = rows[i];
        if (r.size() < 6)
            continue;
        const std::string member = StoredDigits(r[1], r[2]);
        if (member.empty() || member != StoredDigits(r[3], r[4]))
            continue; // the member changed number since
        const std::string code = Str(std::atoi(r[0].c_str()));
        const std::string update =
            std::atoi(r[5].c_str()) == 1
                ? "UPDATE member SET mem_cel=REPLACE(mem_cel, '*', ''), mem_edate=GETDATE() WHERE mem_code=" +
                      code
                : "UPDATE member SET mem_cel='*'+mem_cel, mem_edate=GETDATE() WHERE mem_code=" + code +
                      " AND LEN(mem_cel)<20";
        const int rc = m_db->ExecuteSQL(update.c_str());
        if (!Succeeded(rc)) {
            WriteLog(m_db->GetLastError(), 0);
            Show(K("문자전송결과를 회원정보에 반영할 수 없습니다.(SQL오류)"));
            return false;
        }
        if (std::atoi(r[5].c_str()) != 1 && rc != SQL_NODATA)
            ++starred;
    }
    return true;
}
