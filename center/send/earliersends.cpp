#include "center/send/earliersends.h"

#include <algorithm>
#include <unordered_set>

#include "center/replyreader.h"
#include "center/send/sendrecord.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::K;

namespace {

std::string Str(long long v) {
    return std::to_string(v);
}

std::string RecordedLaterNote() {
    return K("\n(전송은 완료되었습니다. 전송내역은 다음 전송이나 결과수신 때 다시 기록합니다.)");
}

} // namespace

bool IsSameSend(const PendingSend& earlier, const SendIdentity& now) {
    if (earlier.kind != now.kind || earlier.message != now.message)
        return false;
    if (earlier.kind == SendKind::Coupon)
        return earlier.targetType == now.targetType;
    if (earlier.kind == SendKind::Sms && earlier.lms != now.lms)
        return false;
    if (!earlier.identityKnown)
        return true;
    return earlier.title == now.title && earlier.picture == now.picture;
}

EarlierSends::EarlierSends(CSQLDirect& db, SendKind kind, const ProgressHooks& progress)
    : m_earlierDb(db), m_kind(kind), m_earlierProgress(progress) {}

std::string EarlierSends::Label(const PendingSend& send) const {
    if (send.kind == SendKind::App)
        return K("AlderS 문자");
    if (send.kind == SendKind::Coupon)
        return K("AlderS 쿠폰");
    return send.lms ? "LMS" : "SMS";
}

std::string EarlierSends::ButtonName() const {
    return K("전송");
}

bool EarlierSends::Settles(const PendingSend& send) const {
    // A coupon reaches members the way no message does, and a message the way no coupon does.
    const bool kindMeets =
        m_kind == SendKind::Coupon ? send.kind == SendKind::Coupon : send.kind != SendKind::Coupon;
    return kindMeets && (m_storeCode == 0 || send.storeCode == 0 || send.storeCode == m_storeCode);
}

const PendingSend* EarlierSends::FindUnresolved(const SendState& state) const {
    const PendingSend* other = nullptr;
    for (const PendingSend& s : state.sends()) {
        if ((s.phase != PendingSend::Phase::Unknown && s.phase != PendingSend::Phase::Disputed) ||
            !Settles(s))
            continue;
        if (s.kind == m_kind)
            return &s; // the press's own kind first
        if (!other)
            other = &s;
    }
    return other;
}

std::optional<PendingSend>* EarlierSends::OwnSlot(const PendingSend& send) {
    if (send.kind == m_kind)
        return m_own;
    if (m_otherOwn && (!*m_otherOwn || (*m_otherOwn)->kind == send.kind))
        return m_otherOwn;
    return nullptr;
}

void EarlierSends::Begin(const PendingSend& send) {
    SettledSend s;
    s.send = send;
    s.same = IsCurrentSend(send);
    for (const std::optional<PendingSend>* own : {m_own, m_otherOwn})
        s.own = s.own || (own && *own && (*own)->kind == send.kind && (*own)->centerCode == send.centerCode);
    m_settled = std::move(s);
    Settling(send);
}

void EarlierSends::Sent(const PendingSend& send, int32_t callSent, const std::string& headline) {
    if (std::optional<PendingSend>* own = OwnSlot(send); own && *own && (*own)->centerCode == send.centerCode)
        own->reset();
    m_settled->callSent = callSent;
    EarlierSent(*m_settled, headline);
}

std::vector<size_t> EarlierSends::RowsReached(const PendingSend& send,
                                              const std::vector<std::string>& phones) {
    std::unordered_set<std::string> reached;
    for (const SentRecipient& r : send.recipients)
        reached.insert(r.phone);
    std::vector<size_t> rows;
    for (size_t i = 0; i < phones.size(); ++i)
        if (!phones[i].empty() && reached.count(phones[i]))
            rows.push_back(i);
    return rows;
}

std::string EarlierSends::LeftText(const PendingSend& send, bool unusable, const std::string& reply) const {
    if (send.kind == m_kind)
        return unusable ? UnusableText(send, reply) : NoReplyText();
    // Another kind's send: the clerk is told which one holds this press back.
    std::string text = K("완료응답을 받지 못했던 이전 ") + Label(send) +
                       K(" 전송의 결과를 센터에서 아직 확인할 수 없습니다.") +
                       (unusable ? zmsg::ReasonSuffix(reply) : std::string()) + "\n(" + CenterCodeText(send);
    if (!send.sentAt.empty())
        text += K(", 전송시각 ") + send.sentAt.substr(0, 16);
    text += ", " + CvexGlobal::GetMoneyString(static_cast<long long>(send.recipients.size())) + K("명)");
    return text +
           K("\n\n같은 대상에게 두 번 발송하지 않도록 이 전송이 확인될 때까지 새 전송은 시작하지 "
             "않습니다.\n잠시 후 ") +
           ButtonName() + K(" 버튼을 다시 눌러 주십시오.");
}

RecordOutcome EarlierSends::RecordNow(SendState& state, const PendingSend& send, int32_t callSent,
                                      bool atSendTime) {
    m_earlierProgress.Show(send.kind == m_kind ? RecordingText()
                                               : K("전송내역을 보관하기 위해 DB에 기록하는 중입니다."));
    const RecordOutcome r =
        RecordEnded(m_earlierDb, state, send.centerCode, callSent, atSendTime, send.kind, send.allUser);
    if (r.step == RecordStep::Done) {
        if (m_settled && m_settled->send.kind == send.kind && m_settled->send.centerCode == send.centerCode)
            m_settled->localCode = r.localCode;
        return r;
    }
    if (m_settled)
        m_settled->unrecorded = true;
    if (!state.Find(send.centerCode, send.kind)) {
        ShowFailure(RecordFailureText(RecordStep::Send, send.kind) + " (" + CenterCodeText(send) + ")");
        return r;
    }
    // It went out: its history waits in the journal for the next send or result receipt, so the
    // results can still be matched.
    ShowFailure(RecordFailureText(r.step, send.kind) + RecordedLaterNote());
    return r;
}

bool EarlierSends::SettleEarlier(std::optional<PendingSend>& unsettled,
                                 std::optional<PendingSend>* otherOwn) {
    m_settled.reset();
    m_own = &unsettled;
    m_otherOwn = otherOwn;
    const std::string path = SendStatePath();
    if (path.empty())
        return true; // nothing can be kept: the send itself is refused
    SendState state(path);
    state.Load();
    FlushUnrecorded(m_earlierDb, state);
    for (std::optional<PendingSend>* own : {m_own, m_otherOwn}) {
        if (!own || !*own)
            continue;
        const PendingSend* held = state.Find((*own)->centerCode, (*own)->kind);
        if (!held)
            return SettleOwnElsewhere(state, *own);
        if (held->phase == PendingSend::Phase::Unrecorded) {
            // Ended, its history not yet written: it went out all the same.
            const PendingSend ended = *held;
            Begin(ended);
            Sent(ended, ended.callSent,
                 K("완료응답을 받지 못했던 이전 ") + Label(ended) +
                     K(" 전송은 다른 창에서 완료 확인되었습니다."));
            return false;
        }
    }
    return ResolveUnknown(state);
}

bool EarlierSends::ResolveUnknown(SendState& state) {
    const PendingSend* found = FindUnresolved(state);
    if (!found)
        return true;
    const PendingSend pending = *found;
    Begin(pending);
    const std::string headline =
        K("완료응답을 받지 못했던 이전 ") + Label(pending) + K(" 전송이 센터에서 완료되었습니다.");
    // Another program that met the same end may have had its answer and written the history: then
    // it went out, whatever this one was told.
    int32_t localCode = 0;
    int32_t callSent = 0;
    if (FindInHistory(m_earlierDb, pending.centerCode, localCode, callSent, pending.kind) == InHistory::Yes) {
        state.Remove(pending.centerCode, pending.kind);
        state.Save();
        m_settled->localCode = localCode;
        Sent(pending, callSent, headline);
        return false;
    }
    if (pending.phase == PendingSend::Phase::Disputed)
        return AskClerk(state, pending);
    // Whatever happens below, until it is settled this window knows the send as its own.
    std::optional<PendingSend>* own = OwnSlot(pending);
    if (own)
        *own = pending;
    const EndSettlement s = SettleUnknownEnd(m_earlierDb, state, pending, m_earlierProgress);
    switch (s.reply) {
    case EndReply::NoReply:
        EarlierLeft(Left::Unresolved, LeftText(pending, false, s.text));
        return false;
    case EndReply::Unusable:
        EarlierLeft(Left::Unresolved, LeftText(pending, true, s.text));
        return false;
    case EndReply::Refused:
    case EndReply::Disputed:
        if (const PendingSend* now = state.Find(pending.centerCode, pending.kind); now && own)
            *own = *now;
        EarlierLeft(Left::Disputed, DisputeText(pending, s.text, true));
        return false;
    case EndReply::Ended:
        break;
    }
    m_settled->allUser = s.allUser;
    if (pending.kind == m_kind)
        AnsweredEnded(s);
    if (s.record.step == RecordStep::Done) {
        m_settled->localCode = s.record.localCode;
    } else {
        m_settled->unrecorded = true;
        ShowFailure(RecordFailureText(s.record.step, pending.kind) + RecordedLaterNote());
    }
    Sent(pending, s.callSent, headline);
    return false;
}

bool EarlierSends::AskClerk(SendState& state, const PendingSend& disputed) {
    const std::string label = Label(disputed);
    const std::string count = CvexGlobal::GetMoneyString(static_cast<long long>(disputed.recipients.size()));
    std::string question = K("완료 여부가 확인되지 않은 이전 ") + label + K(" 전송이 있습니다.\n(");
    if (!disputed.sentAt.empty())
        question += K("전송시각 ") + disputed.sentAt + ", ";
    question += count + K("건, 센터 전송코드 ") + Str(disputed.centerCode) + ")";
    if (!disputed.reason.empty())
        question += K("\n센터 응답: ") + disputed.reason;
    question += K("\n\n전송내역 화면에서 이 전송이 발송되었습니까?\n\n"
                  "예: 발송되었음 - 전송내역에 기록하고 그 대상을 리스트에서 삭제합니다.\n"
                  "아니오: 발송되지 않았음 - 이 전송을 정리합니다. 그 뒤에 다시 전송할 수 있습니다.\n"
                  "취소: 아직 모름 - 그대로 두고 다음 전송 때 다시 묻습니다.");
    const int answer = Ask(question);
    const std::string which = "(" + CenterCodeText(disputed) + K(", 사원=") + Str(m_empCode) + ")";
    std::optional<PendingSend>* own = OwnSlot(disputed);
    if (answer == IDYES) {
        // The center's own figure is not known: the history counts every recipient handed over. An
        // app message to every regular member reached members the store never listed; its count must
        // not be 0, or its results would never be asked for (they then tell who got it).
        int32_t callSent = static_cast<int32_t>(disputed.recipients.size());
        if (disputed.kind == SendKind::App && disputed.allMembers)
            callSent = std::max(callSent + disputed.allUser, 1);
        WriteLog(K("이전 전송 수동 정리: 발송됨") + which, 0);
        m_settled->callSent = callSent;
        RecordNow(state, disputed, callSent, true);
        Sent(disputed, callSent, K("이전 ") + label + K(" 전송을 발송된 것으로 정리했습니다."));
        return false;
    }
    if (answer == IDNO) {
        WriteLog(K("이전 전송 수동 정리: 발송되지 않음") + which, 0);
        state.Remove(disputed.centerCode, disputed.kind);
        state.Save();
        if (own && *own && (*own)->centerCode == disputed.centerCode)
            own->reset();
        EarlierDropped(K("이전 ") + label +
                       K(" 전송을 발송되지 않은 것으로 정리했습니다.\n보내실 대상을 확인하신 후 ") +
                       ButtonName() + K(" 버튼을 다시 눌러 주십시오."));
        return false;
    }
    WriteLog(K("이전 전송 수동 정리 보류") + which, 0);
    if (own)
        *own = disputed;
    EarlierLeft(Left::Disputed, std::string());
    return false;
}

bool EarlierSends::SettleOwnElsewhere(SendState& state, std::optional<PendingSend>& ownSlot) {
    const PendingSend own = *ownSlot;
    Begin(own);
    WriteLog(K("이 창의 완료 미확인 전송이 다른 곳에서 정리됨, 결과 확인(") + CenterCodeText(own) + ")", 0);
    // Recorded: it went out.
    int32_t localCode = 0;
    int32_t callSent = 0;
    switch (FindInHistory(m_earlierDb, own.centerCode, localCode, callSent, own.kind)) {
    case InHistory::Error:
        EarlierLeft(Left::Unresolved,
                    K("이전 전송의 결과를 확인하기 위해 전송내역을 참조할 수 없습니다.(SQL오류)"));
        return false;
    case InHistory::Yes:
        m_settled->localCode = localCode;
        ownSlot.reset();
        Sent(own, callSent,
             K("완료응답을 받지 못했던 이전 ") + Label(own) + K(" 전송은 다른 창에서 완료 확인되었습니다."));
        return false;
    case InHistory::No:
        break;
    }
    // Not recorded: the center says, to the same end request, once the journal holds the send again.
    PendingSend again = own;
    again.phase = PendingSend::Phase::Unknown;
    again.reason.clear();
    state.Put(std::move(again));
    if (!state.Save()) {
        EarlierLeft(Left::Unresolved,
                    K("전송상태 파일을 기록할 수 없어 이전 전송의 결과를 센터에 확인하지 않았습니다.\n(") +
                        state.path() + ")");
        return false;
    }
    return ResolveUnknown(state);
}
