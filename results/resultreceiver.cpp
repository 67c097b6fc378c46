#include "results/resultreceiver.h"

#include <cstdlib>
#include <vector>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "results/historypurge.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr const char* kPath = "/ZMSG/AppRequest.ashx";
// This receipt's rows of a send: the SMS part's (rows written before the app part existed have none).
constexpr const char* kSmsRows = "(sl_sendtype=0 OR sl_sendtype IS NULL)";

std::string Str(long long v) {
    return std::to_string(v);
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

CResultReceiver::CResultReceiver(CSQLDirect* db, int32_t ssCode)
    : CReceiptRun(db, ssCode, ReceiptKind::Sms, kLockName,
                  K("---------------- SMS 결과수신 시작 ----------------")) {}

CResultReceiver::~CResultReceiver() = default;

std::string CResultReceiver::PendingCondition() const {
    return "ss_idate > DATEADD(month, -2, GETDATE()) AND (ss_result=0 OR ss_result IS NULL) AND ss_trcount > "
           "0";
}

int CResultReceiver::Receive(const ProgressHooks& progress) {
    PurgeHistory(*m_db, m_ssCode, progress);

    progress.Show(K("전송결과를 수신하지 않은 문자전송내역을 불러오는중"));
    progress.Corner(m_ssCode != 0 ? 0 : 2);
    progress.TopMost(m_ssCode == 0);
    progress.Range(0);

    ReadStoreCode();

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
    const std::string limit = DayAgo();

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
    ResultItems items;
    if (cancelled) {
        WriteLog(K("취소된 전송건"), 0);
    } else if (reply.size() >= 2 && reply[0] == '1' && reply[1] == ':') {
        // The items start right after "1:"; blanking the prefix instead would leave two blanks in
        // front of the first phone, and the first result would never match.
        items = ParseResultItems(std::string_view(reply).substr(2));
    } else {
        std::string text = K("센터 문자전송결과 확인실패");
        if (zmsg::HasReason(reply))
            text += K("\n\n☞ ") + reply;
        Show(text);
        return SendStep::Next;
    }

    // The results, the members' stars and the send's state land together or not at all: a rerun
    // after a failure then applies each result exactly once.
    Apply apply;
    apply.localCode = send.localCode;
    apply.stateRead = send.state;
    apply.stateColumn = "ss_result";
    apply.failColumn = "ss_trfail";
    apply.dateColumn = "ss_resultdate";
    apply.rowFilter = kSmsRows;
    apply.mark = cancelled ? 9 : 1;
    apply.cancelled = cancelled;
    apply.items = &items;
    apply.applyingText = K("수신받은 문자전송결과를 전송내역 DB에 적용중...");
    apply.lookupFailure = K("문자전송결과를 기록하기 위한 상세내역을 참조할 수 없습니다.(SQL오류)");
    apply.dbFailure = K("문자전송결과를 DB에 기록할 수 없습니다.(SQL오류)");
    if (send.target == 0)
        apply.members = [&](int& changed) { return ApplyToMembers(send.localCode, progress, changed); };
    if (ApplySend(apply, progress) == Applied::Failed)
        return SendStep::Stop;
    // Confirming a reply that carried no result would tell the center we hold results we never saw
    // (a reply cut to "1:" after the center handed them out): they are asked for again instead. A
    // send another run applied meanwhile is confirmed again, which is harmless.
    return Confirm(send, cancelled || items.raw > 0);
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

bool CResultReceiver::ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& changed) {
    progress.Show(K("회원정보에 문자전송결과를 반영하는 중입니다."));
    progress.Range(0);
    // The SMS rows only, as the results: a combined send's app rows carry app results, which neither
    // star nor clear a member's number.
    const std::string query =
        "SELECT mem_code, mem_cel, mem_key4, sl_phone, sl_key, sl_result FROM member JOIN smslist ON "
        "mem_code=sl_ref WHERE sl_sscode=" +
        Str(localCode) + " AND " + kSmsRows +
        " AND ((sl_result=1 AND mem_cel LIKE '*%') OR (sl_result=2 AND mem_cel NOT LIKE '***%')) ORDER BY "
        "sl_seq";
    // The condition on the number guards the update: a number that changed since it was read keeps
    // its stars, and a star never makes the text longer than the column's 20 characters.
    auto update = [](const Row& r) -> std::string {
        return std::atoi(r[5].c_str()) == 1
                   ? "UPDATE member SET mem_cel=REPLACE(mem_cel, '*', ''), mem_edate=GETDATE() WHERE mem_cel "
                     "LIKE '*%'"
                   : "UPDATE member SET mem_cel='*'+mem_cel, mem_edate=GETDATE() WHERE LEN(mem_cel)<20";
    };
    auto starred = [](const Row& r) { return std::atoi(r[5].c_str()) != 1 && r[1].size() < 20; };
    return UpdateMembers(query, K("문자전송결과를 반영할 회원정보를 참조할 수 없습니다.(SQL오류)"), update,
                         starred, K("문자전송결과를 회원정보에 반영할 수 없습니다.(SQL오류)"), progress,
                         changed);
}
