#include "center/send/sendrecord.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "center/phonemask.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "text/codec.h"

namespace {

constexpr int kTries = 5;

constexpr const char* kHighestCodeForUpdate =
    "SELECT TOP 1 ss_code FROM smssend WITH (UPDLOCK, HOLDLOCK) ORDER BY ss_code DESC";

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

// Reads the first column of the first row; nullopt when the statement failed, empty when no row.
std::optional<std::string> FirstValue(CSQLDirect& db, const std::string& sql, bool& hasRow) {
    hasRow = false;
    if (!Succeeded(db.ExecuteSQL(sql.c_str())))
        return std::nullopt;
    if (db.Fetch() != SQL_OK)
        return std::string();
    hasRow = true;
    return db.GetCol(1);
}

constexpr const char* kSendColumns =
    "INSERT INTO smssend (ss_code, ss_msg, ss_callback, ss_emp, ss_target, ss_trcount, ss_trfail, "
    "ss_reserve, ss_reservedate, ss_idate, ss_center, ss_result, ss_resultdate, ss_smms_center, "
    "ss_smms_count, ss_smms_fail, ss_smms_result, ss_smms_resultdate) VALUES (";

std::string SendInsert(const PendingSend& s, int32_t code, bool atSendTime) {
    // A send written after the fact keeps its own time, so the receipt's windows count from the send.
    const std::string when =
        atSendTime && !s.sentAt.empty() ? "'" + SqlQuoteSafe(s.sentAt) + "'" : "GETDATE()";
    if (s.kind == SendKind::App)
        return kSendColumns + std::to_string(code) + ",'" + SqlQuoteSafe(s.message) + "','" +
               SqlQuoteSafe(s.callback) + "'," + std::to_string(s.empCode) + ",0,0,0, 0,NULL," + when +
               ",0,0,NULL, " + std::to_string(s.centerCode) + "," + std::to_string(s.callSent) + ",0,0,NULL)";
    const std::string reserve = s.reservation.empty() ? "NULL" : "'" + SqlQuoteSafe(s.reservation) + "'";
    return "INSERT INTO smssend (ss_code, ss_msg, ss_callback, ss_emp, ss_target, ss_trcount, ss_trfail, "
           "ss_reserve, ss_reservedate, ss_idate, ss_center, ss_result, ss_resultdate, ss_smms_center, "
           "ss_smms_count, ss_smms_fail, ss_smms_result, ss_smms_resultdate) VALUES (" +
           std::to_string(code) + ",'" + SqlQuoteSafe(s.message) + "','" + SqlQuoteSafe(s.callback) + "'," +
           std::to_string(s.empCode) + "," + std::to_string(s.targetType) + "," + std::to_string(s.callSent) +
           ",0, " + (s.reservation.empty() ? "0" : "1") + "," + reserve + "," + when + "," +
           std::to_string(s.centerCode) + ",0,NULL, 0,0,0,0,NULL)";
}

// Recipients from..to-1 as one statement of several rows: one statement per recipient spent a large
// send's time preparing statements. Both databases take this many rows of literals at once.
constexpr size_t kRowsPerInsert = 200;

std::string ListInsert(int32_t code, const PendingSend& s, size_t from, size_t to, int32_t seqBase) {
    const std::vector<SentRecipient>& recipients = s.recipients;
    const char* const tail = s.kind == SendKind::App ? ",0,1)" : ",0,0)";
    std::string sql =
        "INSERT INTO smslist (sl_sscode, sl_seq, sl_ref, sl_phone, sl_key, sl_result, sl_sendtype) VALUES ";
    for (size_t i = from; i < to; ++i) {
        const SentRecipient& r = recipients[i];
        std::string masked;
        int32_t key = -1;
        MaskPhone(r.phone, masked, key);
        if (i > from)
            sql += ',';
        sql += '(';
        sql += std::to_string(code);
        sql += ',';
        sql += std::to_string(seqBase + static_cast<int64_t>(i) + 1); // running number, in list order
        sql += ',';
        sql += std::to_string(r.ref);
        sql += ",'";
        sql += SqlQuoteSafe(masked);
        sql += "',";
        sql += std::to_string(key);
        sql += tail;
    }
    return sql;
}

RecordOutcome TryOnce(CSQLDirect& db, const PendingSend& s, bool atSendTime) {
    RecordOutcome out;
    out.step = RecordStep::Code;
    if (!db.BeginTrans()) {
        WriteLog("BeginTrans: " + db.GetLastError(), 0);
        return out;
    }
    auto fail = [&](RecordStep step) {
        WriteLog(db.GetLastError(), 0);
        db.RollbackTrans();
        out.step = step;
        return out;
    };
    // The locking read comes first: on SQL Server a plain read inside a transaction takes no lock that
    // lasts, and two machines would both read the same highest code. UPDLOCK with HOLDLOCK keeps the
    // highest key and the range above it until the commit, so a second recorder waits here and then
    // sees this one's rows (the check below included). SQLite drops the hints: its write transaction
    // holds the whole file from the start.
    bool hasRow = false;
    const auto top = FirstValue(db, kHighestCodeForUpdate, hasRow);
    if (!top)
        return fail(RecordStep::Code);
    const int32_t code = hasRow ? std::atoi(top->c_str()) + 1 : 1;
    bool recorded = false;
    const bool app = s.kind == SendKind::App;
    const auto existing = FirstValue(
        db,
        std::string("SELECT TOP 1 ss_code FROM smssend WHERE ") + (app ? "ss_smms_center=" : "ss_center=") +
            std::to_string(s.centerCode) + (app ? " AND ss_smms_count=" : " AND ss_trcount=") +
            std::to_string(s.callSent) + " ORDER BY ss_code",
        recorded);
    if (!existing)
        return fail(RecordStep::Code);
    if (recorded) {
        db.RollbackTrans();
        out.step = RecordStep::Done;
        out.already = true;
        out.localCode = std::atoi(existing->c_str());
        return out;
    }
    // The app part of a combined send joins the row its SMS part wrote, when that row is there and
    // holds no app message yet; otherwise it takes a row of its own.
    int32_t target = code;
    int32_t seqBase = 0;
    bool joined = false;
    if (app && s.joinCode > 0) {
        bool hasJoin = false;
        const auto smms = FirstValue(
            db, "SELECT ss_smms_center FROM smssend WHERE ss_code=" + std::to_string(s.joinCode), hasJoin);
        if (!smms)
            return fail(RecordStep::Code);
        joined = hasJoin && std::atoll(smms->c_str()) == 0;
    }
    if (joined) {
        target = s.joinCode;
        if (!Succeeded(db.ExecuteSQL(("UPDATE smssend SET ss_smms_center=" + std::to_string(s.centerCode) +
                                      ", ss_smms_count=" + std::to_string(s.callSent) +
                                      " WHERE ss_code=" + std::to_string(target))
                                         .c_str())))
            return fail(RecordStep::Send);
        bool hasSeq = false;
        const auto seq =
            FirstValue(db,
                       "SELECT TOP 1 sl_seq FROM smslist WHERE sl_sscode=" + std::to_string(target) +
                           " ORDER BY sl_seq DESC",
                       hasSeq);
        if (!seq)
            return fail(RecordStep::Code);
        seqBase = hasSeq ? std::atoi(seq->c_str()) : 0;
    } else if (!Succeeded(db.ExecuteSQL(SendInsert(s, code, atSendTime).c_str()))) {
        return fail(RecordStep::Send);
    }
    for (size_t from = 0; from < s.recipients.size(); from += kRowsPerInsert) {
        const size_t to = std::min(s.recipients.size(), from + kRowsPerInsert);
        if (!Succeeded(db.ExecuteSQL(ListInsert(target, s, from, to, seqBase).c_str())))
            return fail(RecordStep::List);
    }
    if (!db.CommitTrans())
        return fail(RecordStep::Send);
    out.step = RecordStep::Done;
    out.localCode = target;
    return out;
}

} // namespace

std::string CenterCodeText(const PendingSend& send) {
    const char* const name = send.kind == SendKind::App      ? "ML="
                             : send.kind == SendKind::Coupon ? "ISSUE="
                                                             : "SS=";
    return name + std::to_string(send.centerCode);
}

RecordOutcome RecordSend(CSQLDirect& db, const PendingSend& send, bool atSendTime) {
    RecordOutcome out;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        out = TryOnce(db, send, atSendTime);
        if (out.step == RecordStep::Done)
            return out;
        // Another process may have taken the same code or held the write lock: take a fresh one.
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * (attempt + 1)));
    }
    return out;
}

std::string RecordFailureText(RecordStep step, SendKind kind) {
    const bool app = kind == SendKind::App;
    const std::string head = app ? zmsg::K("AlderS 문자 ") : std::string();
    switch (step) {
    case RecordStep::Code:
        return head + zmsg::K("전송내역을 보관하기 위해 DB코드를 참조할 수 없습니다.");
    case RecordStep::Send:
        return head + zmsg::K("전송정보를 보관하기 위해 DB에 기록할 수 없습니다.");
    case RecordStep::List:
        return head + (app ? zmsg::K("전송내역을 보관하기 위해 DB에 기록할 수 없습니다.")
                           : zmsg::K("전송상세내역을 보관하기 위해 DB에 기록할 수 없습니다."));
    case RecordStep::Done:
        break;
    }
    return {};
}

int FlushUnrecorded(CSQLDirect& db, SendState& state) {
    std::vector<std::pair<SendKind, int64_t>> written;
    for (const PendingSend& s : state.sends()) {
        if (s.phase != PendingSend::Phase::Unrecorded)
            continue;
        const RecordOutcome r = RecordSend(db, s, true);
        if (r.step == RecordStep::Done) {
            WriteLog(zmsg::K("미기록 전송내역 기록(") + CenterCodeText(s) +
                         ", ss_code=" + std::to_string(r.localCode) + ")",
                     0);
            written.emplace_back(s.kind, s.centerCode);
        } else {
            WriteLog(zmsg::K("미기록 전송내역을 아직 기록할 수 없습니다.(") + CenterCodeText(s) + ")", 0);
        }
    }
    for (const auto& [kind, code] : written)
        state.Remove(code, kind);
    if (!written.empty())
        state.Save();
    int left = 0;
    for (const PendingSend& s : state.sends())
        left += s.phase == PendingSend::Phase::Unrecorded ? 1 : 0;
    return left;
}
