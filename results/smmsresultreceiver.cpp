#include "results/smmsresultreceiver.h"

#include <cstdlib>
#include <vector>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr const char* kPath = "/SMMS/AppRequest.ashx";

std::string Str(long long v) {
    return std::to_string(v);
}

} // namespace

struct CSmmsResultReceiver::SendRow {
    int32_t localCode = 0;
    std::string sendTime;
    long long centerCode = 0; // the message list's ML: 64 bits
    int32_t count = 0;
    int32_t state = 0;
};

CSmmsResultReceiver::CSmmsResultReceiver(CSQLDirect* db, int32_t ssCode)
    : CReceiptRun(db, ssCode, ReceiptKind::Smms, kLockName,
                  K("---------------- SMMS 결과수신 시작 ----------------")) {}

CSmmsResultReceiver::~CSmmsResultReceiver() = default;

std::string CSmmsResultReceiver::PendingCondition() const {
    return "ss_idate > DATEADD(month, -2, GETDATE()) AND (ss_smms_result=0 OR ss_smms_result IS NULL) AND "
           "ss_smms_count > 0";
}

int CSmmsResultReceiver::Receive(const ProgressHooks& progress) {
    progress.Show(K("전송결과 미수신 SMMS전송내역을 불러오는중"));
    progress.Corner(m_ssCode != 0 ? 0 : 2);
    progress.TopMost(m_ssCode == 0);
    progress.Range(0);

    ReadStoreCode();

    std::string sql =
        "SELECT ss_code, ss_target, ss_idate, ss_smms_center, ss_smms_count, ss_smms_result FROM smssend ";
    if (m_ssCode > 0)
        sql += "WHERE ss_code=" + Str(m_ssCode);
    else
        sql +=
            "WHERE ss_idate > DATEADD(month, -2, GETDATE()) AND ss_idate < DATEADD(hour, -24, GETDATE()) AND "
            "(ss_smms_result=0 OR ss_smms_result IS NULL) AND ss_smms_count > 0 ORDER BY ss_code";
    std::vector<std::vector<std::string>> rows;
    if (!m_db->DoQuery(sql, rows)) {
        WriteLog(m_db->GetLastError(), 0);
        Show(K("전송결과 미수신 SMMS전송내역을 참조할 수 없습니다.(SQL오류)"));
        return 0;
    }
    const std::string limit = DayAgo();
    for (const auto& row : rows) {
        if (row.size() < 6)
            continue;
        SendRow send;
        send.localCode = std::atoi(row[0].c_str());
        send.sendTime = row[2].substr(0, 16);
        send.centerCode = std::atoll(row[3].c_str());
        send.count = std::atoi(row[4].c_str());
        send.state = std::atoi(row[5].c_str());
        if (ReceiveSend(send, limit, progress) == SendStep::Stop)
            return 0;
    }
    return 1;
}

CSmmsResultReceiver::SendStep CSmmsResultReceiver::ReceiveSend(const SendRow& send, const std::string& limit,
                                                               const ProgressHooks& progress) {
    WriteLog(K("결과수신 SSLocal=") + Str(send.localCode) + ", SMMSCenter=" + Str(send.centerCode), 0);
    if (send.sendTime > limit) {
        if (m_ssCode > 0) {
            Show(K("전송후 24시간이 경과되지 않았습니다.(") + send.sendTime + ")");
            return SendStep::Stop;
        }
        return SendStep::Next;
    }
    if (send.count < 1) {
        if (m_ssCode > 0) {
            Show(K("해당 전송건에는 SMMS로 전송한 건이 없습니다."));
            return SendStep::Stop;
        }
        return SendStep::Next;
    }
    progress.Show(send.sendTime + K(" 에 전송한") + CvexGlobal::GetMoneyString(send.count) +
                  K("건의 SMMS결과 수신중..."));
    progress.Range(send.count);

    std::string raw;
    ++m_counts.asked;
    if (!RequestPost(zmsg::CenterUrl(kPath),
                     "work=SMMSRESULT&mart=" + Str(m_mart) + "&ml=" + Str(send.centerCode), raw, 120000)) {
        Show(K("센터에서 SMMS전송결과를 참조할 수 없습니다.(통신실패)"));
        return SendStep::Stop;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (!(reply.size() >= 2 && reply[0] == '1' && reply[1] == ':')) {
        std::string text = K("센터 SMMS전송결과 확인실패");
        if (zmsg::HasReason(reply))
            text += K("\n\n☞ ") + reply;
        Show(text);
        return SendStep::Next;
    }
    // The items start right after "1:" (blanking the prefix would keep two blanks in front of the
    // first phone); each is trimmed and checked before it goes near a statement.
    const ResultItems items = ParseResultItems(std::string_view(reply).substr(2));

    // The send's results, its members' counters and its received mark in one transaction: a rerun,
    // or a second machine receiving at the same time, applies nothing twice.
    Apply apply;
    apply.localCode = send.localCode;
    apply.stateRead = send.state;
    apply.stateColumn = "ss_smms_result";
    apply.failColumn = "ss_smms_fail";
    apply.dateColumn = "ss_smms_resultdate";
    // The app rows only: the SMS part of a combined send has rows of its own for the same members.
    apply.rowFilter = "sl_sendtype=1";
    apply.mark = 1;
    // A result for a phone not among the send's rows still tells that the center has the results.
    apply.anyItemMarks = true;
    apply.items = &items;
    apply.applyingText = K("수신받은 SMMS결과를 전송내역 DB에 적용중...");
    apply.lookupFailure = K("SMMS전송결과를 기록하기 위한 상세내역을 참조할 수 없습니다.(SQL오류)");
    apply.dbFailure = K("SMMS전송결과를 DB에 기록할 수 없습니다.(SQL오류)");
    // Members of any target type: only members have an app.
    apply.members = [&](int& changed) { return ApplyToMembers(send.localCode, progress, changed); };
    return ApplySend(apply, progress) == Applied::Failed ? SendStep::Stop : SendStep::Next;
}

bool CSmmsResultReceiver::ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& changed) {
    progress.Show(K("회원정보에 SMMS전송결과를 반영하는 중입니다."));
    progress.Range(0);
    // The same filter as the results: the send's app rows. The counter as read guards each update, so
    // a second application changes nothing more.
    const std::string query =
        "SELECT mem_code, mem_cel, mem_key4, sl_phone, sl_key, sl_result, ISNULL(mem_smmsfail, 0) FROM "
        "member "
        "JOIN smslist ON mem_code=sl_ref WHERE sl_sscode=" +
        Str(localCode) +
        " AND sl_sendtype=1 AND ((sl_result=1 AND mem_smmsfail > 0) OR (sl_result=2 AND (mem_smmsfail < 3 OR "
        "mem_smmsfail IS NULL))) ORDER BY sl_seq";
    auto update = [](const Row& r) -> std::string {
        if (r.size() < 7)
            return {};
        const int read = std::atoi(r[6].c_str());
        if (std::atoi(r[5].c_str()) == 1)
            return "UPDATE member SET mem_smmsfail = 0, mem_edate=GETDATE() WHERE mem_smmsfail=" + Str(read) +
                   " AND mem_smmsfail > 0";
        return "UPDATE member SET mem_smmsfail = " + Str(read + 1) +
               ", mem_edate=GETDATE() WHERE ISNULL(mem_smmsfail, 0)=" + Str(read) +
               " AND ISNULL(mem_smmsfail, 0) < 3";
    };
    auto raised = [](const Row& r) { return std::atoi(r[5].c_str()) != 1; };
    return UpdateMembers(query, K("SMMS전송결과를 반영할 회원정보를 참조할 수 없습니다.(SQL오류)"), update,
                         raised, K("SMMS전송결과를 회원정보에 반영할 수 없습니다.(SQL오류)"), progress,
                         changed);
}
