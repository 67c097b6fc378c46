#include "sms/smssend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/send/pressmessages.h"
#include "center/send/sendengine.h"
#include "center/send/sendrecord.h"
#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "members/recipientlist.h"
#include "sms/listbatches.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr const char* kPath = "/ZMSG/AppRequest.ashx";
constexpr int kFocusMessage = 2026;
constexpr int kFocusCallback = 2034;

std::string Str(long long v) {
    return std::to_string(v);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Angle brackets would be taken for the center's own tags.
std::string ForCenter(std::string text) {
    ReplaceAll(text, "<", "_lt;_");
    ReplaceAll(text, ">", "_gt;_");
    return CvexGlobal::EncodeANSIToUTF8URL(text);
}

// The journal's entry of the send being ended (it holds it since the batches went out).
PendingSend Entry(const SendState& state, int32_t ss) {
    const PendingSend* found = state.Find(ss);
    return found ? *found : PendingSend{};
}

std::string CallCenter(const SmsAccount& a) {
    return K("\n\n콜센터로 연락바랍니다.\n☎ ") + a.centerPhone;
}

// After an end whose outcome is unknown: the clerk must not fear that the next press sends it again.
std::string UnknownEndNote() {
    return K("\n\n전송 버튼을 다시 누르면 먼저 이 전송의 결과를 센터에 확인하며, 두 번 발송하지 않습니다.");
}

} // namespace

SmsSendTransaction::SmsSendTransaction(CSQLDirect& db, SmsSendInput input, ProgressHooks progress)
    : EarlierSends(db, SendKind::Sms, m_progress), m_db(db), m_in(std::move(input)),
      m_progress(std::move(progress)) {}

void SmsSendTransaction::Refuse(const std::string& text, int focus) {
    m_result.outcome = SmsSendOutcome::Refused;
    m_result.focus = focus;
    ShowPressRefusal(m_result.shown, m_progress, text);
}

void SmsSendTransaction::Fail(const std::string& text) {
    ShowPressFailure(m_result.shown, m_progress, text);
}

void SmsSendTransaction::Report(const std::string& text) {
    ShowPressReport(m_result.shown, m_progress, text, [this] {
        m_result.settled = Settled(); // the window shows what a settle found with the report
        if (m_in.beforeReport)
            m_in.beforeReport(m_result);
    });
}

SmsSendResult SmsSendTransaction::Run() {
    // Everything of an earlier send is forgotten: a result never carries another send's codes.
    m_result = SmsSendResult{};
    m_result.unsettled = m_in.ownUnsettled;
    m_result.appUnsettled = m_in.ownAppUnsettled;
    m_label = m_in.lms ? "LMS" : "SMS";
    m_message = NormalizeMessage(m_in.message);
    m_callback = CvexGlobal::GetNumberOnlyString(m_in.callbackField);
    m_smsCount = m_appCount = 0;
    for (const Recipient& r : m_in.rows) {
        m_smsCount += IsSmsRow(r) ? 1 : 0;
        m_appCount += r.checked && r.byApp ? 1 : 0;
    }
    // Without the combined send there is nobody to reach by app message.
    if (!m_in.combinedSend)
        m_appCount = 0;
    m_empCode = m_in.empCode;
    m_storeCode = m_in.account.storeCode;
    if (!SettleEarlier(m_result.unsettled, &m_result.appUnsettled)) {
        m_result.settled = Settled();
        m_progress.Hide();
        return m_result;
    }
    if (!Check())
        return m_result;
    // The message being written survives a crash or a kill during the send.
    if (m_in.targetType != 3)
        SaveSmsDraft(SmsDraftPath(), m_in.draft, 0);
    if (m_smsCount > 0 && !CenterSend()) {
        m_progress.Hide();
        return m_result;
    }
    Finish();
    m_progress.Hide();
    return m_result;
}

bool SmsSendTransaction::Check() {
    const SmsAccount& a = m_in.account;
    const double unit = UnitCharge(a, m_in.lms);
    if (m_smsCount > 0 && unit <= 0) {
        Refuse(K("문자메시지를 사용할 수 없습니다.(단가정보오류)\n센터에 문의해 주십시오."));
        return false;
    }
    if (m_in.phoneFormats && !m_in.phoneFormats())
        return false;
    const int limit = m_in.lms ? kLmsLimit : kSmsLimit;
    const int length = static_cast<int>(m_message.size());
    if (length < 1 || length > limit) {
        Refuse("1 ~ " + Str(limit) + K("자 (한글") + Str(limit / 2) +
                   K("자) 이내로 메시지를 입력해 주십시오."),
               kFocusMessage);
        return false;
    }
    if (m_in.lms && length <= kSmsLimit) {
        Refuse(K("장문전송(LMS)을 선택하셨으나 입력하신 메시지가 90자(한글45자)이하입니다.\n"
                 "단문전송(SMS)으로 전환해 주십시오."),
               kFocusMessage);
        return false;
    }
    if (m_in.lms && a.lmsAdLen > 0 && a.lmsAdLen + length > kLmsLimit) {
        const int room = kLmsLimit - a.lmsAdLen;
        Refuse(K("센터 캠페인광고를 허용하셨으나 광고메시지를 추가할 여유공간이 부족합니다.\n메시지를 ") +
                   Str(room) + K("자(한글") + Str(room / 2) + K("자)이하로 입력해 주십시오."),
               kFocusMessage);
        return false;
    }
    if (!m_in.bareTemplate.empty() && Lower(m_message) == Lower(NormalizeMessage(m_in.bareTemplate))) {
        Refuse(K("발송하려는 ") + m_label + K("메시지에 내용이 없습니다."), kFocusMessage);
        return false;
    }
    // A refusal notice goes exactly to those who refused advertising: it must never be one, however
    // its text came about (typed, a page sample, a draft).
    if (m_in.targetType == 3) {
        // The subject goes out as the LMS subject, and as the app title of a combined send.
        const bool adSubject = (m_in.lms || m_in.combinedSend) && IsAdvertising(m_in.subject);
        if (adSubject || IsAdvertising(m_message)) {
            Refuse(K("수신거부 처리결과 알림에는 광고 메시지를 보낼 수 없습니다.\n") +
                       K(adSubject ? "메시지 제목" : "메시지") + K("의 \"(광고)\" 문구를 지워 주십시오."),
                   kFocusMessage);
            return false;
        }
    }
    if (m_in.adRules && !m_in.adRules())
        return false;
    auto field = [&](const std::string& header) {
        return !header.empty() && ContainsText(m_message, "{" + header + "}");
    };
    m_merge = field(m_in.header1) || field(m_in.header3) || field(m_in.header4);
    if (m_callback.size() < 8 || m_callback.size() > 11) {
        Refuse(K("8 ~ 11자 이내로 발신자 번호를 입력해 주십시오."), kFocusCallback);
        return false;
    }
    if (m_in.reservation) {
        const qint64 ahead = zmsg::Clock::now().secsTo(*m_in.reservation);
        if (ahead < 0 || ahead / 3600 < 1) {
            Refuse(
                K("예약일시가 잘못되었습니다.\n예약일시는 현재시간보다 1시간이상 이후로 설정해 주십시오."));
            return false;
        }
        if (ahead / 86400 > 31) {
            Refuse(K("예약일시가 잘못되었습니다.\n예약일시는 현재시간보다 31일 이내로 설정해 주십시오."));
            return false;
        }
    }
    if (m_smsCount < 1 && m_appCount < 1) {
        Refuse(K("전송대상을 선택해 주십시오."));
        return false;
    }
    if (a.balance < TotalCharge(m_smsCount, unit, a.payType)) {
        Refuse(K("잔여콜이 부족합니다.\n\n충전문의 ☎ ") + a.centerPhone);
        return false;
    }
    return true;
}

std::string SmsSendTransaction::EndFailureText(const std::string& label, const std::string& reply) const {
    std::string text = K("센터에서 ") + label + K(" 전송을 완료할 수 없습니다.");
    if (zmsg::HasReason(reply))
        text += K("\n\n☞ ") + reply;
    return text + CallCenter(m_in.account);
}

void SmsSendTransaction::Record(SendState& state, int32_t centerCode, int32_t callSent, bool atSendTime) {
    PendingSend send;
    send.kind = SendKind::Sms;
    send.centerCode = centerCode;
    const RecordOutcome r = RecordNow(state, send, callSent, atSendTime);
    if (r.step == RecordStep::Done)
        m_result.localCode = r.localCode;
    else
        m_result.unrecorded = true;
}

bool SmsSendTransaction::IsCurrentSend(const PendingSend& earlier) const {
    SendIdentity sms;
    sms.kind = SendKind::Sms;
    sms.lms = m_in.lms;
    sms.message = m_message;
    sms.title = m_in.lms ? m_in.subject : std::string();
    return IsSameSend(earlier, sms) || (m_appCount > 0 && m_in.appPart && IsSameSend(earlier, *m_in.appPart));
}

void SmsSendTransaction::EarlierLeft(Left how, const std::string& text) {
    m_result.outcome = how == Left::Unresolved ? SmsSendOutcome::Unresolved : SmsSendOutcome::Disputed;
    if (!text.empty())
        Fail(text);
}

void SmsSendTransaction::EarlierDropped(const std::string& text) {
    m_result.outcome = SmsSendOutcome::PreviousDropped;
    Report(text);
}

void SmsSendTransaction::ShowFailure(const std::string& text) {
    Fail(text);
}

int SmsSendTransaction::Ask(const std::string& question) {
    m_result.shown.push_back(question);
    return ShowMessageBox(question, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
}

void SmsSendTransaction::AnsweredEnded(const EndSettlement& s) {
    m_result.balance = m_in.account.payType == 2 ? zmsg::ElementDouble(s.text, "AS_BALANCE")
                                                 : static_cast<double>(zmsg::ElementInt(s.text, "CALL_NOW"));
}

std::string SmsSendTransaction::NoReplyText() const {
    return K("센터에서 전송완료 응답을 수신할 수 없습니다.(통신실패)") + CallCenter(m_in.account) +
           UnknownEndNote();
}

std::string SmsSendTransaction::UnusableText(const PendingSend& send, const std::string& reply) const {
    return EndFailureText(send.lms ? "LMS" : "SMS", reply) + UnknownEndNote();
}

std::string SmsSendTransaction::RecordingText() const {
    return K("전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
}

void SmsSendTransaction::EarlierSent(const SettledSend& settled, const std::string& headline) {
    const PendingSend& send = settled.send;
    // The message went out: the draft that holds it is no longer a message being written.
    if (m_in.targetType != 3 && (send.kind == SendKind::Sms || send.combined))
        MarkSmsDraftSent(SmsDraftPath(),
                         send.kind == SendKind::Sms ? std::optional<bool>(send.lms) : std::nullopt,
                         send.message);
    if (m_in.settledSent)
        m_in.settledSent(send);
    m_result.outcome = SmsSendOutcome::PreviousCompleted;
    std::string text = headline + "(" + CvexGlobal::GetMoneyString(settled.callSent) + K("건)");
    if (!settled.same) {
        // Another message: it reaches every checked row once the clerk presses again.
        text += K("\n\n이번 메시지는 아직 보내지 않았습니다.\n"
                  "보내실 메시지와 대상을 확인하신 후 전송 버튼을 다시 눌러 주십시오.");
        Report(text);
        return;
    }
    // The same message: the rows it reached are not sent to again.
    std::vector<std::string> phones;
    for (const Recipient& r : m_in.rows)
        phones.push_back(r.checked ? r.phone : std::string());
    m_result.rowsToRemove = RowsReached(send, phones);
    const size_t checked = static_cast<size_t>(
        std::count_if(m_in.rows.begin(), m_in.rows.end(), [](const Recipient& r) { return r.checked; }));
    text += K("\n전송된 대상은 리스트에서 삭제합니다.");
    if (checked > m_result.rowsToRemove.size())
        text += K("\n남은 대상은 다시 전송해 주십시오.");
    Report(text);
}

bool SmsSendTransaction::CenterSend() {
    const std::string path = SendStatePath();
    if (path.empty()) {
        Refuse(
            K("전송상태 파일(ZMSGSEND.dat)을 기록할 폴더가 없어 문자를 보낼 수 없습니다.\n"
              "프로그램 폴더나 사용자 상태 폴더(~/.local/state/zmsg)에 쓰기 권한이 있어야 합니다.\n"
              "(통신이 끊겼을 때 같은 문자가 두 번 발송되고 요금이 두 번 부과되지 않도록 하는 파일입니다.)"));
        return false;
    }
    SendState state(path);
    state.Load();

    const SmsAccount& a = m_in.account;
    WriteLog(K("------------------ SMS 전송 시작 ------------------"), 0);
    const std::string subject = m_in.lms ? ForCenter(m_in.subject) : std::string();
    const std::string rsv =
        m_in.reservation ? m_in.reservation->toString(QStringLiteral("yyyyMMddHHmm")).toStdString() : "";
    const std::string url = zmsg::CenterUrl(kPath);
    std::string raw;
    std::string reply;
    const std::string begin = "work=SMSBEGIN&mart=" + Str(a.storeCode) + "&emp=" + Str(m_in.empCode) +
                              "&tg=" + Str(m_in.targetType) + "&mg=" + (m_merge ? "1" : "0") + "&rsv=" + rsv +
                              "&tp=" + (m_in.lms ? "L" : "S") + "&sub=" + subject +
                              "&msg=" + ForCenter(m_message) + "&cb=" + m_callback +
                              "&call=" + Str(m_smsCount);
    m_result.outcome = SmsSendOutcome::Failed;
    if (!RequestPost(url, begin, raw, 0, ConnectionUse::Fresh)) {
        Fail(K("센터에 ") + m_label + K(" 전송시작을 알릴 수 없습니다.(통신실패)"));
        return false;
    }
    reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, 12)) {
        Fail(m_label + K(" 센터전송 시작실패") + zmsg::ReasonSuffix(reply));
        return false;
    }
    const int32_t ss = zmsg::ElementInt(reply, "SS");
    if (ss < 1) {
        Fail(m_label + K(" 센터전송 시작실패 \n\n☞ 전송코드 생성실패"));
        return false;
    }
    m_result.centerCode = ss;
    WriteLog("SS=" + Str(ss), 0);
    WriteLog(m_label + K(" 전송대상 바인딩 시작"), 0);
    m_progress.Show(m_label + K(" 데이터를 센터로 보내는 중입니다."));
    m_progress.Range(static_cast<int>(m_in.rows.size()));

    auto mergeField = [&](const std::string& header) {
        return !header.empty() && ContainsText(m_message, "{" + header + "}");
    };
    ListFields fields;
    fields.merge = m_merge;
    fields.use1 = m_merge && mergeField(m_in.header1);
    fields.use3 = m_merge && mergeField(m_in.header3);
    fields.use4 = m_merge && mergeField(m_in.header4);

    PendingSend send;
    send.kind = SendKind::Sms;
    send.centerCode = ss;
    send.storeCode = a.storeCode;
    send.lms = m_in.lms;
    send.empCode = m_in.empCode;
    send.targetType = m_in.targetType;
    send.callback = m_callback;
    send.message = m_message;
    send.sentAt = zmsg::Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    if (m_in.reservation)
        send.reservation = m_in.reservation->toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();

    const BatchTexts texts{m_label + K(" 전송대상 바인딩 "),
                           m_label + K(" 데이터를 센터로 보낼 수 없습니다.(통신실패)"),
                           m_label + K(" 데이터를 센터에 기록할 수 없습니다.")};
    auto post = [&](ListBatch& batch) {
        std::string failure;
        if (!PostCheckedBatch(url, batch, texts, failure)) {
            Fail(failure);
            return false;
        }
        return true;
    };

    ListBatches batches(m_in.rows,
                        "work=SMSLIST&mart=" + Str(a.storeCode) + "&ss=" + Str(ss) + "&seq=", m_in.batchSize,
                        fields);
    switch (PostBatchesKept(state, std::move(send), batches, post, m_progress)) {
    case BatchesRun::Failed:
        Fail(m_label +
             K(" 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 반복되면 콜센터로 문의해 주십시오."));
        return false;
    case BatchesRun::NotKept:
        Fail(K("전송상태 파일을 기록할 수 없어 센터에 전송완료를 요청하지 않았습니다.\n"
               "문자는 발송되지 않았고 요금도 부과되지 않았습니다.\n"
               "디스크 공간과 폴더 권한을 확인하신 후 다시 전송해 주십시오.\n(") +
             path + ")");
        return false;
    case BatchesRun::Posted:
        break;
    }

    const PendingSend entry = Entry(state, ss);
    switch (PostEndKept(state, entry, m_progress, reply)) {
    case EndReply::NoReply:
        m_result.outcome = SmsSendOutcome::Unresolved;
        m_result.unsettled = entry;
        Fail(K("센터에서 전송완료 응답을 수신할 수 없습니다.(통신실패)") + CallCenter(a) + UnknownEndNote());
        return false;
    case EndReply::Unusable:
        m_result.outcome = SmsSendOutcome::Unresolved;
        m_result.unsettled = entry;
        Fail(EndFailureText(m_label, reply) + UnknownEndNote());
        return false;
    case EndReply::Disputed:
        m_result.outcome = SmsSendOutcome::Disputed;
        m_result.unsettled = Entry(state, ss);
        Fail(DisputeText(*m_result.unsettled, reply, true));
        return false;
    case EndReply::Refused:
        Fail(EndFailureText(m_label, reply));
        return false;
    case EndReply::Ended:
        break;
    }

    m_result.callSent = zmsg::ElementInt(reply, "CALL_SENT");
    const double balance = a.payType == 2 ? zmsg::ElementDouble(reply, "AS_BALANCE")
                                          : static_cast<double>(zmsg::ElementInt(reply, "CALL_NOW"));
    m_result.balance = balance;
    if (m_in.targetType != 3)
        SaveSmsDraft(SmsDraftPath(), m_in.draft, 1);
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.1f", balance);
    WriteLog(K("전송완료응답수신(전송콜=") + Str(m_result.callSent) + K(", 잔여") +
                 (a.payType == 2 ? K("AS머니") : K("콜")) + "=" + figure + ")",
             0);
    // The file keeps the unknown end until the history is written: Record turns it into an ended send
    // only when the history cannot be written.
    Record(state, ss, m_result.callSent, false);
    return true;
}

void SmsSendTransaction::Finish() {
    if (m_smsCount > 0) {
        m_progress.Show(m_label + K(" 로 전송한 대상을 리스트에서 삭제중입니다."));
        for (size_t i = 0; i < m_in.rows.size(); ++i)
            if (IsSmsRow(m_in.rows[i]))
                m_result.rowsToRemove.push_back(i);
    }
    bool appFailed = false;
    bool appEarlier = false;
    bool appUnknown = false;
    if (m_appCount > 0) {
        const AppPartResult app = m_in.combinedSend(SmsPartDone{m_result.centerCode, m_result.localCode});
        m_result.appSent = app.sent;
        appFailed = app.sent < 0;
        appEarlier = app.earlier;
        appUnknown = app.unknown;
        // Rows the app message reached leave the list like the SMS rows: a reserved send keeps the
        // dialog open, and a second press must not reach them again.
        m_result.rowsToRemove.insert(m_result.rowsToRemove.end(), app.rowsSent.begin(), app.rowsSent.end());
        std::sort(m_result.rowsToRemove.begin(), m_result.rowsToRemove.end());
    }
    std::string text;
    if (m_result.callSent > 0)
        text += K("▶ ") + m_label + " " + CvexGlobal::GetMoneyString(m_result.callSent) + K(" 건\n");
    if (appFailed || appEarlier) {
        // The app part said why; with nothing sent by SMS there is nothing more to report.
        m_result.outcome = SmsSendOutcome::AppFailed;
        if (m_result.callSent <= 0 && m_smsCount <= 0)
            return;
        if (appEarlier)
            text += K("▶ AlderS 이전 전송분만 확인했습니다. 남은 대상은 리스트에 남겨 두었습니다.\n");
        else if (appUnknown)
            text += K("▶ AlderS 전송결과를 확인하지 못했습니다. 다시 전송하면 먼저 결과를 확인합니다.\n");
        else
            text += K("▶ AlderS 전송하지 못했습니다. 대상은 리스트에 남겨 두었습니다.\n");
        // A reserved SMS part has not gone out yet: the clerk must not read it as sent.
        text += m_in.reservation ? K("\n문자는 예약 전송했습니다.") : K("\n문자는 전송했습니다.");
        text += K("\nAlderS 대상을 확인하신 후 다시 전송해 주십시오.");
        Report(text);
        return;
    }
    if (m_appCount > 0)
        text += K("▶ AlderS ") + CvexGlobal::GetMoneyString(m_result.appSent) + K(" 건\n");
    if (m_in.reservation) {
        text += K("\n문자를 예약 전송했습니다.\n확인을 누르시면 전송내역창으로 이동합니다.\n"
                  "(예약된 메시지는 전송내역에서 확인하실 수 있습니다.)");
        m_result.outcome = SmsSendOutcome::Reserved;
    } else {
        text += K("\n문자를 전송했습니다.\n확인을 누르시면 전송창을 닫습니다.");
        m_result.outcome = SmsSendOutcome::Sent;
    }
    Report(text);
}
