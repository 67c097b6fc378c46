#include "coupon/couponissue.h"

#include <utility>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/send/pressmessages.h"
#include "center/send/rowbatches.h"
#include "center/send/sendengine.h"
#include "center/send/sendsettle.h"
#include "center/vexglobal.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::K;

namespace {

std::string Str(long long v) {
    return std::to_string(v);
}

const char* const kSupport = "\n\n고객지원센터로 연락바랍니다.";

std::string Members(const PendingSend& issue) {
    if (issue.targetType == 1)
        return K("전체 단골회원");
    return K("지정된 회원 ") + CvexGlobal::GetMoneyString(static_cast<long long>(issue.recipients.size())) +
           K("명");
}

} // namespace

std::string CouponIssueTransaction::PendingIssueText(const PendingSend& issue) {
    std::string text = K("※ 완료 확인 대기 중인 쿠폰발행 (쿠폰번호 ") + issue.message + ", " + Members(issue);
    if (!issue.sentAt.empty())
        text += ", " + issue.sentAt.substr(0, 16);
    text += K(", 센터 발행코드 ") + Str(issue.centerCode) + ")\n";
    if (issue.phase == PendingSend::Phase::Disputed)
        return text + K("센터의 쿠폰 발행내역에서 확인하신 후 AlderS 쿠폰 발행 버튼을 눌러 정리해 주십시오.");
    return text + K("AlderS 쿠폰 발행 버튼을 누르면 먼저 이 발행의 완료 여부를 센터에 확인합니다. 두 번 "
                    "발행하지 않습니다.");
}

CouponIssueTransaction::CouponIssueTransaction(CSQLDirect& db, CouponIssueInput input, ProgressHooks progress)
    : EarlierSends(db, SendKind::Coupon, m_progress), m_db(db), m_in(std::move(input)),
      m_progress(std::move(progress)) {}

void CouponIssueTransaction::Refuse(const std::string& text, int page) {
    m_result.outcome = CouponIssueOutcome::Refused;
    m_result.page = page;
    ShowPressRefusal(m_result.shown, m_progress, text);
}

void CouponIssueTransaction::Fail(const std::string& text) {
    ShowPressFailure(m_result.shown, m_progress, text);
}

void CouponIssueTransaction::Report(const std::string& text) {
    ShowPressReport(m_result.shown, m_progress, text);
}

CouponIssueResult CouponIssueTransaction::Run() {
    m_result = CouponIssueResult{};
    m_result.unsettled = m_in.ownUnsettled;
    m_checked = 0;
    for (const CouponRow& r : m_in.rows)
        m_checked += r.checked ? 1 : 0;
    m_empCode = m_in.empCode;
    m_storeCode = m_in.storeCode;
    // An issue whose end is unknown may have given everyone the coupon: it is asked about with the
    // same end request, and a new issue begins only once it is known not to have ended. Settling
    // needs no coupon chosen: a freshly opened window settles it at its first press.
    if (!SettleEarlier(m_result.unsettled)) {
        m_result.settled = Settled();
        m_progress.Hide();
        return m_result;
    }
    if (!Check() || !AskRepeat())
        return m_result;
    CenterIssue();
    m_progress.Hide();
    return m_result;
}

bool CouponIssueTransaction::Check() {
    if (!m_in.allMembers && m_checked < 1) {
        Refuse(K("특정회원 대상 발행을 선택하셨으나 지정된 회원이 없습니다."), 1);
        return false;
    }
    if (m_in.coupon == 0) {
        Refuse(K("발행하실 쿠폰을 선택해 주십시오."), 2);
        return false;
    }
    return true;
}

bool CouponIssueTransaction::IsCurrentSend(const PendingSend& earlier) const {
    SendIdentity now;
    now.kind = SendKind::Coupon;
    now.message = Str(m_in.coupon);
    now.targetType = m_in.allMembers ? 1 : 2;
    return m_in.coupon != 0 && IsSameSend(earlier, now);
}

bool CouponIssueTransaction::AskRepeat() {
    const std::optional<PendingSend>& before = m_in.issuedBefore;
    // The members it reached were unticked; every regular member cannot be unticked.
    if (!before || before->message != Str(m_in.coupon) || (!m_in.allMembers && before->targetType != 1))
        return true;
    std::string text = K("쿠폰번호 ") + before->message + K(" 쿠폰은 ");
    if (!before->sentAt.empty())
        text += before->sentAt.substr(0, 16) + K("에 ");
    text += Members(*before) + K("을 대상으로 이미 발행되었습니다.\n\n같은 쿠폰을 ") +
            (m_in.allMembers ? K("전체 회원에게") : K("지정된 회원에게")) + K(" 다시 발행하시겠습니까?");
    m_result.shown.push_back(text);
    if (ShowMessageBox(text, kQuestionNoDefault) == IDYES)
        return true;
    m_result.outcome = CouponIssueOutcome::Refused;
    return false;
}

void CouponIssueTransaction::EarlierSent(const SettledSend& settled, const std::string&) {
    const PendingSend& send = settled.send;
    m_result.outcome = CouponIssueOutcome::PreviousCompleted;
    std::string text =
        K("완료응답을 받지 못했던 이전 AlderS 쿠폰발행이 센터에서 완료되었습니다.\n(쿠폰번호 ") +
        send.message + ", " + Members(send) + (send.sentAt.empty() ? "" : ", " + send.sentAt.substr(0, 16)) +
        ")\n\n";
    if (settled.same && !m_in.allMembers) {
        // The same coupon: the members it reached are unticked, so none gets it twice.
        std::vector<std::string> phones;
        for (const CouponRow& r : m_in.rows)
            phones.push_back(r.checked ? r.phone : std::string());
        m_result.rowsReached = RowsReached(send, phones);
        if (!m_result.rowsReached.empty())
            text += K("같은 쿠폰을 두 번 발행하지 않도록 이번 발행은 하지 않았고, 이미 받은 회원 ") +
                    CvexGlobal::GetMoneyString(static_cast<long long>(m_result.rowsReached.size())) +
                    K("명의 선택을 해제했습니다.\n");
        else
            text += K("이번 발행은 아직 하지 않았습니다.\n");
    } else {
        text += K("이번 발행은 아직 하지 않았습니다.\n");
    }
    Report(text + K("발행할 쿠폰과 대상을 확인하신 후 AlderS 쿠폰 발행 버튼을 다시 눌러 주십시오."));
}

void CouponIssueTransaction::EarlierLeft(Left how, const std::string& text) {
    m_result.outcome =
        how == Left::Unresolved ? CouponIssueOutcome::Unresolved : CouponIssueOutcome::Disputed;
    if (text.empty())
        return;
    if (how == Left::Disputed && m_result.unsettled) {
        const std::string& reason = m_result.unsettled->reason;
        Fail(K("완료응답을 받지 못했던 AlderS 쿠폰발행의 완료 요청을 센터가 거절했습니다.") +
             (reason.empty() ? std::string() : K("\n\n☞ ") + reason) +
             K("\n\n이미 발행된 쿠폰일 수 있으므로 새 발행은 시작하지 않습니다.\n\n") +
             PendingIssueText(*m_result.unsettled));
    } else
        Fail(text);
}

void CouponIssueTransaction::EarlierDropped(const std::string&) {
    m_result.outcome = CouponIssueOutcome::PreviousDropped;
    Report(K("이전 AlderS 쿠폰발행을 완료되지 않은 것으로 정리했습니다.\n"
             "발행할 쿠폰과 대상을 확인하신 후 AlderS 쿠폰 발행 버튼을 다시 눌러 주십시오."));
}

void CouponIssueTransaction::ShowFailure(const std::string& text) {
    Fail(text);
}

int CouponIssueTransaction::Ask(const std::string& question) {
    std::string text = question;
    if (m_concerned) {
        const PendingSend& p = *m_concerned;
        text = K("완료 여부가 확인되지 않은 이전 AlderS 쿠폰발행이 있습니다.\n(쿠폰번호 ") + p.message +
               ", " + Members(p) + (p.sentAt.empty() ? "" : ", " + p.sentAt.substr(0, 16)) +
               K(", 센터 발행코드 ") + Str(p.centerCode) + ")";
        if (!p.reason.empty())
            text += K("\n센터 응답: ") + p.reason;
        text += K("\n\n센터의 쿠폰 발행내역에서 이 발행이 완료되었습니까?\n\n"
                  "예: 완료되었음 - 이 발행을 정리하고 이번 발행은 하지 않습니다.\n"
                  "아니오: 완료되지 않았음 - 이 발행을 정리합니다. 그 뒤에 다시 발행할 수 있습니다.\n"
                  "취소: 아직 모름 - 그대로 두고 다음 발행 때 다시 묻습니다.");
    }
    m_result.shown.push_back(text);
    return ShowMessageBox(text, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
}

void CouponIssueTransaction::Settling(const PendingSend& send) {
    m_concerned = send;
}

std::string CouponIssueTransaction::NoReplyText() const {
    std::string text = K("센터에 AlderS 쿠폰발행완료 응답을 수신할 수 없습니다.(통신실패)") + K(kSupport);
    if (m_result.unsettled)
        text += "\n\n" + PendingIssueText(*m_result.unsettled);
    return text;
}

std::string CouponIssueTransaction::UnusableText(const PendingSend&, const std::string& reply) const {
    std::string text =
        K("센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.") + zmsg::ReasonSuffix(reply) + K(kSupport);
    if (m_result.unsettled)
        text += "\n\n" + PendingIssueText(*m_result.unsettled);
    return text;
}

std::string CouponIssueTransaction::ButtonName() const {
    return K("AlderS 쿠폰 발행");
}

std::string CouponIssueTransaction::RecordingText() const {
    return std::string();
}

void CouponIssueTransaction::CenterIssue() {
    const std::string path = SendStatePath();
    if (path.empty()) {
        Refuse(K("전송상태 파일(ZMSGSEND.dat)을 기록할 폴더가 없어 AlderS 쿠폰을 발행할 수 없습니다.\n"
                 "프로그램 폴더나 사용자 상태 폴더(~/.local/state/zmsg)에 쓰기 권한이 있어야 합니다.\n"
                 "(통신이 끊겼을 때 같은 쿠폰이 두 번 발행되지 않도록 하는 파일입니다.)"),
               0);
        return;
    }
    SendState state(path);
    state.Load();

    WriteLog(K("------------------ 쿠폰발행 시작 ------------------"), 0);
    const int istp = m_in.allMembers ? 1 : 2;
    const std::string url = zmsg::CenterUrl(kPath);
    const std::string mart = Str(m_in.storeCode);
    std::string raw;
    std::string reply;
    m_result.outcome = CouponIssueOutcome::Failed;
    const std::string begin = "work=ISSUEBEGIN&mart=" + mart + "&emp=" + Str(m_in.empCode) +
                              "&cp=" + Str(m_in.coupon) + "&istp=" + Str(istp);
    if (!RequestPost(url, begin, raw, 0, ConnectionUse::Fresh)) {
        Fail(K("센터에 AlderS 쿠폰발행 시작을 알릴 수 없습니다.(통신실패)"));
        return;
    }
    reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, 12)) {
        Fail(K("AlderS 쿠폰발행 시작실패") + zmsg::ReasonSuffix(reply));
        return;
    }
    const int32_t issue = zmsg::ElementInt(reply, "ISSUE");
    if (issue == 0) {
        Fail(K("AlderS 쿠폰발행 시작실패 \n\n☞ 발행코드 생성실패"));
        return;
    }
    m_result.issue = issue;
    WriteLog("CouponIssue=" + Str(issue), 0);
    WriteLog(K("쿠폰발행대상 바인딩 시작"), 0);

    PendingSend entry;
    entry.kind = SendKind::Coupon;
    entry.centerCode = issue;
    entry.storeCode = m_in.storeCode;
    entry.empCode = m_in.empCode;
    entry.targetType = istp;
    entry.message = Str(m_in.coupon);
    entry.sentAt = zmsg::Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();

    // Issuing to every regular member sends no phones: the batches are empty, the journal still
    // holds the issue before its end is posted.
    const std::vector<CouponRow>& rows = m_in.rows;
    const size_t rowCount = istp == 2 ? rows.size() : 0;
    if (istp == 2) {
        m_progress.Show(K("쿠폰발행대상 데이터를 센터로 보내는 중입니다."));
        m_progress.Range(static_cast<int>(rows.size()));
    }
    RowWriter writer = [&rows](size_t i, std::string& body, SentRecipient& who) {
        const CouponRow& r = rows[i];
        if (!r.checked)
            return false;
        who.ref = r.code;
        who.phone = r.phone;
        body += "}{";
        body += r.phone;
        return true;
    };
    RowBatches batches(rowCount,
                       "work=ISSUEUSER&mart=" + mart + "&issue=" + Str(issue) + "&seq=", "&tran=", kBatchSize,
                       std::move(writer));
    const BatchTexts texts{K("쿠폰발행대상 바인딩 "),
                           K("AlderS 쿠폰발행대상 데이터를 센터로 보낼 수 없습니다.(통신실패)"),
                           K("AlderS 쿠폰발행대상 데이터를 센터에 기록할 수 없습니다.")};
    auto post = [&](RowBatch& batch) {
        std::string failure;
        if (!PostCheckedBatch(url, batch, texts, failure)) {
            Fail(failure);
            return false;
        }
        m_result.phonesSent += batch.count;
        return true;
    };
    switch (PostBatchesKept(state, std::move(entry), batches, post, m_progress)) {
    case BatchesRun::Failed:
        Fail(K("AlderS 쿠폰발행대상 전송에 실패했습니다.\n다시 발행을 시도해 보시고 문제가 반복되면 "
               "고객지원센터로 문의해 주십시오."));
        return;
    case BatchesRun::NotKept:
        Fail(K("전송상태 파일을 기록할 수 없어 센터에 쿠폰발행완료를 요청하지 않았습니다.\n"
               "AlderS 쿠폰은 발행되지 않았습니다.\n"
               "디스크 공간과 폴더 권한을 확인하신 후 다시 발행해 주십시오.\n(") +
             path + ")");
        return;
    case BatchesRun::Posted:
        break;
    }

    m_progress.Range(0);
    m_progress.Pos(0);
    const PendingSend* kept = state.Find(issue, SendKind::Coupon);
    const PendingSend held = kept ? *kept : PendingSend{};
    const EndReply end = PostEndKept(state, held, m_progress, reply);
    m_progress.Hide();
    switch (end) {
    case EndReply::NoReply:
        m_result.outcome = CouponIssueOutcome::Unresolved;
        m_result.unsettled = held;
        Fail(NoReplyText());
        return;
    case EndReply::Unusable:
        m_result.outcome = CouponIssueOutcome::Unresolved;
        m_result.unsettled = held;
        Fail(UnusableText(held, reply));
        return;
    case EndReply::Disputed:
        m_result.outcome = CouponIssueOutcome::Disputed;
        m_result.unsettled = held;
        if (const PendingSend* now = state.Find(issue, SendKind::Coupon))
            m_result.unsettled = *now;
        Fail(K("센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.") + zmsg::ReasonSuffix(reply) + K(kSupport) +
             K("\n\n앞선 완료 요청의 응답을 받지 못했으므로 이미 발행되었을 수 있습니다.\n") +
             PendingIssueText(*m_result.unsettled));
        return;
    case EndReply::Refused:
        Fail(K("센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.") + zmsg::ReasonSuffix(reply) + K(kSupport));
        return;
    case EndReply::Ended:
        break;
    }
    RecordEnded(m_db, state, issue, 0, false, SendKind::Coupon);
    WriteLog(K("AlderS 쿠폰발행완료 응답수신"), 0);
    std::string text = istp == 2 ? K("지정된 회원 ") + CvexGlobal::GetMoneyString(m_result.phonesSent) +
                                       K("명을 대상으로 AlderS 쿠폰을 발행했습니다.")
                                 : K("전체 단골회원을 대상으로 AlderS 쿠폰을 발행했습니다.");
    text += K("\n\n확인을 누르시면 AlderS 쿠폰발행창을 닫습니다.");
    m_result.outcome = CouponIssueOutcome::Issued;
    m_result.unsettled.reset();
    Report(text);
    WriteLog(K("쿠폰발행창 닫기(OnOK)"), 0);
}
