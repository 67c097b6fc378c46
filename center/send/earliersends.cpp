#include "center/send/earliersends.h"

#include "center/db/sqldirect.h"
#include "center/send/sendrecord.h"
#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "frame/log.h"
#include "frame/messagebox.h"

using zmsg::K;

namespace {

std::string Str(long long v) {
    return std::to_string(v);
}

std::string RecordedLaterNote() {
    return K("\n(전송은 완료되었습니다. 전송내역은 다음 전송이나 결과수신 때 다시 기록합니다.)");
}

} // namespace

EarlierSends::EarlierSends(CSQLDirect& db, SendKind kind, const ProgressHooks& progress)
    : m_earlierDb(db), m_kind(kind), m_earlierProgress(progress) {}

std::string EarlierSends::Label(const PendingSend& send) const {
    if (send.kind == SendKind::App)
        return K("AlderS 문자");
    if (send.kind == SendKind::Coupon)
        return K("AlderS 쿠폰");
    return send.lms ? "LMS" : "SMS";
}

void EarlierSends::RecordNow(SendState& state, const PendingSend& send, int32_t callSent, bool atSendTime) {
    m_earlierProgress.Show(RecordingText());
    const RecordOutcome r =
        RecordEnded(m_earlierDb, state, send.centerCode, callSent, atSendTime, send.kind, send.allUser);
    if (r.step == RecordStep::Done) {
        Found(r.localCode, callSent);
        return;
    }
    KeptUnrecorded();
    if (!state.Find(send.centerCode, send.kind)) {
        ShowFailure(RecordFailureText(RecordStep::Send, send.kind) + " (" + CenterCodeText(send) + ")");
        return;
    }
    // It went out: its history waits in the journal for the next send or result receipt, so the
    // results can still be matched.
    ShowFailure(RecordFailureText(r.step, send.kind) + RecordedLaterNote());
}

bool EarlierSends::SettleEarlier(std::optional<PendingSend>& unsettled) {
    const std::string path = SendStatePath();
    if (path.empty())
        return true; // nothing can be kept: the send itself is refused
    SendState state(path);
    state.Load();
    FlushUnrecorded(m_earlierDb, state);
    if (unsettled) {
        const PendingSend* held = state.Find(unsettled->centerCode, m_kind);
        if (!held)
            return SettleOwnElsewhere(state, unsettled);
        if (held->phase == PendingSend::Phase::Unrecorded) {
            // Ended, its history not yet written: it went out all the same.
            const PendingSend ended = *held;
            Concerned(ended.centerCode);
            unsettled.reset();
            EarlierSent(ended, ended.callSent,
                        K("완료응답을 받지 못했던 이전 ") + Label(ended) +
                            K(" 전송은 다른 창에서 완료 확인되었습니다."));
            return false;
        }
    }
    return ResolveUnknown(state, unsettled);
}

bool EarlierSends::ResolveUnknown(SendState& state, std::optional<PendingSend>& unsettled) {
    const PendingSend* found = state.FindUnknown(m_kind);
    if (!found)
        return true;
    const PendingSend pending = *found;
    Concerned(pending.centerCode);
    const std::string headline =
        K("완료응답을 받지 못했던 이전 ") + Label(pending) + K(" 전송이 센터에서 완료되었습니다.");
    auto settled = [&] {
        if (unsettled && unsettled->centerCode == pending.centerCode)
            unsettled.reset();
    };
    // Another program that met the same end may have had its answer and written the history: then
    // it went out, whatever this one was told.
    int32_t localCode = 0;
    int32_t callSent = 0;
    if (FindInHistory(m_earlierDb, pending.centerCode, localCode, callSent, m_kind) == InHistory::Yes) {
        state.Remove(pending.centerCode, m_kind);
        state.Save();
        Found(localCode, callSent);
        settled();
        EarlierSent(pending, callSent, headline);
        return false;
    }
    if (pending.phase == PendingSend::Phase::Disputed)
        return AskClerk(state, pending, unsettled);
    // Whatever happens below, until it is settled this window knows the send as its own.
    unsettled = pending;
    const EndSettlement s = SettleUnknownEnd(m_earlierDb, state, pending, m_earlierProgress);
    switch (s.reply) {
    case EndReply::NoReply:
        EarlierLeft(Left::Unresolved, NoReplyText());
        return false;
    case EndReply::Unusable:
        EarlierLeft(Left::Unresolved, UnusableText(pending, s.text));
        return false;
    case EndReply::Refused:
    case EndReply::Disputed:
        if (const PendingSend* now = state.Find(pending.centerCode, m_kind))
            unsettled = *now;
        EarlierLeft(Left::Disputed, DisputeText(pending, s.text, true));
        return false;
    case EndReply::Ended:
        break;
    }
    Found(0, s.callSent);
    AnsweredEnded(s);
    if (s.record.step == RecordStep::Done) {
        Found(s.record.localCode, s.callSent);
    } else {
        KeptUnrecorded();
        ShowFailure(RecordFailureText(s.record.step, m_kind) + RecordedLaterNote());
    }
    settled();
    EarlierSent(pending, s.callSent, headline);
    return false;
}

bool EarlierSends::AskClerk(SendState& state, const PendingSend& disputed,
                            std::optional<PendingSend>& unsettled) {
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
    if (answer == IDYES) {
        // The center's own figure is not known: the history counts every recipient handed over.
        const int32_t callSent = static_cast<int32_t>(disputed.recipients.size());
        WriteLog(K("이전 전송 수동 정리: 발송됨") + which, 0);
        Found(0, callSent);
        RecordNow(state, disputed, callSent, true);
        if (unsettled && unsettled->centerCode == disputed.centerCode)
            unsettled.reset();
        EarlierSent(disputed, callSent, K("이전 ") + label + K(" 전송을 발송된 것으로 정리했습니다."));
        return false;
    }
    if (answer == IDNO) {
        WriteLog(K("이전 전송 수동 정리: 발송되지 않음") + which, 0);
        state.Remove(disputed.centerCode, m_kind);
        state.Save();
        if (unsettled && unsettled->centerCode == disputed.centerCode)
            unsettled.reset();
        Concerned(0);
        EarlierDropped(K("이전 ") + label +
                       K(" 전송을 발송되지 않은 것으로 정리했습니다.\n"
                         "보내실 대상을 확인하신 후 전송 버튼을 다시 눌러 주십시오."));
        return false;
    }
    WriteLog(K("이전 전송 수동 정리 보류") + which, 0);
    unsettled = disputed;
    EarlierLeft(Left::Disputed, std::string());
    return false;
}

bool EarlierSends::SettleOwnElsewhere(SendState& state, std::optional<PendingSend>& unsettled) {
    const PendingSend own = *unsettled;
    Concerned(own.centerCode);
    WriteLog(K("이 창의 완료 미확인 전송이 다른 곳에서 정리됨, 결과 확인(") + CenterCodeText(own) + ")", 0);
    // Recorded: it went out.
    int32_t localCode = 0;
    int32_t callSent = 0;
    switch (FindInHistory(m_earlierDb, own.centerCode, localCode, callSent, m_kind)) {
    case InHistory::Error:
        EarlierLeft(Left::Unresolved,
                    K("이전 전송의 결과를 확인하기 위해 전송내역을 참조할 수 없습니다.(SQL오류)"));
        return false;
    case InHistory::Yes:
        Found(localCode, callSent);
        unsettled.reset();
        EarlierSent(own, callSent,
                    K("완료응답을 받지 못했던 이전 ") + Label(own) +
                        K(" 전송은 다른 창에서 완료 확인되었습니다."));
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
    return ResolveUnknown(state, unsettled);
}
