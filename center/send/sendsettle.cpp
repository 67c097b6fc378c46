#include "center/send/sendsettle.h"

#include <chrono>
#include <cstdlib>
#include <thread>
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

constexpr int kEndTries = 3;

std::string Str(long long v) {
    return std::to_string(v);
}

// How the clerk names the send in a message.
std::string Label(const PendingSend& send) {
    if (send.kind == SendKind::App)
        return K("AlderS 문자");
    if (send.kind == SendKind::Coupon)
        return K("AlderS 쿠폰");
    return send.lms ? "LMS" : "SMS";
}

} // namespace

EndRequest EndRequestOf(const PendingSend& send) {
    EndRequest r;
    const std::string total = Str(static_cast<long long>(send.recipients.size()));
    if (send.kind == SendKind::Coupon) {
        r.path = "/CouponIssue/AppRequest.ashx";
        r.body = "work=ISSUEEND&mart=" + Str(send.storeCode) + "&issue=" + Str(send.centerCode);
        r.logHead = K("쿠폰발행");
        r.tryLog = K(" 완료요청(재시도=");
        r.waitText = K("센터에 쿠폰발행완료를 요청중입니다.(앞 단계보다 다소 시간이 소요될 수 있습니다.)");
        r.retryHead = K("센터에 쿠폰발행완료를 요청중입니다.(");
    } else if (send.kind == SendKind::App) {
        r.path = "/SMMS/AppRequest.ashx";
        r.body = "work=SMMSEND&mart=" + Str(send.storeCode) + "&ml=" + Str(send.centerCode);
        if (!send.combined)
            r.body +=
                "&alluser=" + std::string(send.allMembers ? "1" : "0") + "&m2date=" + Str(send.mobileDays);
        r.logHead = "SMMS " + total;
    } else {
        r.path = "/ZMSG/AppRequest.ashx";
        r.body = "work=SMSEND&mart=" + Str(send.storeCode) + "&ss=" + Str(send.centerCode);
        r.logHead = total;
    }
    return r;
}

EndReply PostEnd(const PendingSend& send, bool afterLostReply, const ProgressHooks& progress,
                 std::string& reply) {
    const EndRequest end = EndRequestOf(send);
    progress.Show(end.waitText);
    bool lost = afterLostReply;
    for (int attempt = 0; attempt < kEndTries; ++attempt) {
        WriteLog(end.logHead + end.tryLog + Str(attempt) + ")", 0);
        if (attempt > 0)
            progress.Show(end.retryHead + Str(attempt + 1) + K(" 번째 재시도중...)"));
        std::string raw;
        if (RequestPost(zmsg::CenterUrl(end.path.c_str()), end.body, raw, 120000, ConnectionUse::Fresh)) {
            reply = zmsg::ConvertReply(raw);
            if (zmsg::IsPositiveReply(reply, 4))
                return EndReply::Ended;
            // Only a well-formed refusal says anything, and only when no earlier request of this end
            // went unanswered: a center may refuse to end again what it already ended.
            if (!zmsg::HasReason(reply) || reply[0] == '1')
                return EndReply::Unusable;
            return lost ? EndReply::Disputed : EndReply::Refused;
        }
        lost = true;
        if (attempt + 1 < kEndTries)
            std::this_thread::sleep_for(std::chrono::milliseconds(zmsg::RetryPauseMs(1000)));
    }
    return EndReply::NoReply;
}

InHistory FindInHistory(CSQLDirect& db, int64_t centerCode, int32_t& localCode, int32_t& callSent,
                        SendKind kind) {
    if (kind == SendKind::Coupon)
        return InHistory::No; // the center alone keeps coupon issues
    std::vector<std::vector<std::string>> rows;
    const std::string sql =
        kind == SendKind::App
            ? "SELECT ss_code, ss_smms_count FROM smssend WHERE ss_smms_center=" + Str(centerCode) +
                  " ORDER BY ss_code"
            : "SELECT ss_code, ss_trcount FROM smssend WHERE ss_center=" + Str(centerCode) +
                  " ORDER BY ss_code";
    if (!db.DoQuery(sql, rows)) {
        WriteLog(db.GetLastError(), 0);
        return InHistory::Error;
    }
    if (rows.empty() || rows[0].size() < 2)
        return InHistory::No;
    localCode = std::atoi(rows[0][0].c_str());
    callSent = std::atoi(rows[0][1].c_str());
    return InHistory::Yes;
}

RecordOutcome RecordEnded(CSQLDirect& db, SendState& state, int64_t centerCode, int32_t callSent,
                          bool atSendTime, SendKind kind, int32_t allUser) {
    const PendingSend* stored = state.Find(centerCode, kind);
    if (!stored) {
        RecordOutcome missing;
        missing.step = RecordStep::Send;
        return missing;
    }
    if (kind == SendKind::Coupon) {
        // Nothing of an issue is kept locally: once the center ended it, the entry has done its work.
        state.Remove(centerCode, kind);
        RecordOutcome done;
        done.step = state.Save() ? RecordStep::Done : RecordStep::Send;
        return done;
    }
    PendingSend send = *stored;
    send.phase = PendingSend::Phase::Unrecorded;
    send.callSent = callSent;
    send.allUser = allUser;
    send.reason.clear();
    const RecordOutcome r = RecordSend(db, send, atSendTime);
    if (r.step == RecordStep::Done)
        state.Remove(send.centerCode, send.kind);
    else
        state.Put(std::move(send));
    // A failed write keeps the process's own copy; the file still names the send, which asking the
    // center again settles the same way without charging twice.
    state.Save();
    return r;
}

EndSettlement SettleUnknownEnd(CSQLDirect& db, SendState& state, const PendingSend& pending,
                               const ProgressHooks& progress) {
    EndSettlement out;
    WriteLog(K("완료응답을 받지 못한 이전 전송 확인(") + CenterCodeText(pending) + ")", 0);
    out.reply = PostEnd(pending, true, progress, out.text);
    switch (out.reply) {
    case EndReply::Ended:
        out.callSent = zmsg::ElementInt(out.text, "CALL_SENT");
        if (pending.kind == SendKind::App)
            out.allUser = zmsg::ElementInt(out.text, "ALL_USER");
        out.record = RecordEnded(db, state, pending.centerCode, out.callSent, true, pending.kind,
                                 out.allUser); // its own time
        break;
    case EndReply::Refused: // not after a lost reply: cannot happen here
    case EndReply::Disputed: {
        out.reply = EndReply::Disputed;
        WriteLog(K("이전 전송 완료요청 거절, 발송여부 확인필요(") + CenterCodeText(pending) + ") " + out.text,
                 0);
        PendingSend disputed = pending;
        disputed.phase = PendingSend::Phase::Disputed;
        disputed.reason = RefusalReason(out.text);
        state.Put(std::move(disputed));
        state.Save();
        break;
    }
    case EndReply::Unusable:
    case EndReply::NoReply:
        break;
    }
    return out;
}

std::string RefusalReason(const std::string& reply) {
    return zmsg::HasReason(reply) ? reply.substr(2) : reply;
}

std::string DisputeText(const PendingSend& send, const std::string& reply, bool inDialog) {
    std::string text = K("완료응답을 받지 못했던 ") + Label(send) + K(" 전송(") +
                       CvexGlobal::GetMoneyString(static_cast<long long>(send.recipients.size())) +
                       K("건)의 완료 요청을 센터가 거절했습니다.") + zmsg::ReasonSuffix(reply) +
                       K("\n\n이미 발송된 전송일 수 있으므로 새 전송은 시작하지 않습니다.");
    if (inDialog)
        return text + K("\n전송내역 화면에서 이 전송이 발송되었는지 확인하신 후, 전송 버튼을 다시 눌러 "
                        "정리해 주십시오.");
    return text + (send.kind == SendKind::App
                       ? K("\nAlderS 문자 보내기 창의 전송 버튼을 누르면 전송내역을 확인하여 정리할 수 "
                           "있습니다.")
                       : K("\n문자 보내기 창의 전송 버튼을 누르면 전송내역을 확인하여 정리할 수 있습니다."));
}

std::optional<PendingSend> UnresolvedInJournal(SendKind kind) {
    // A journal this process may not take over is still read: its send is shown, never settled here.
    const JournalPlace place = FindJournal();
    const std::string path = place.path.empty() ? place.stranded : place.path;
    if (path.empty())
        return std::nullopt;
    SendState state(path);
    state.Load();
    const PendingSend* found = state.FindUnknown(kind);
    return found ? std::optional<PendingSend>(*found) : std::nullopt;
}

std::string PendingSendNotice(const PendingSend& send) {
    std::string head;
    std::string next;
    switch (send.phase) {
    case PendingSend::Phase::Unknown:
        head = K("※ 완료 확인 대기 중인 전송");
        next = K("전송 버튼을 누르면 먼저 이 전송을 센터에 확인합니다. 두 번 발송하지 않습니다.");
        break;
    case PendingSend::Phase::Disputed:
        head = K("※ 발송 여부 확인이 필요한 전송");
        next = K("전송내역에서 확인하신 후 전송 버튼을 눌러 정리해 주십시오.");
        break;
    case PendingSend::Phase::Unrecorded:
        head = K("※ 전송내역 기록 대기 중인 전송");
        next = K("다음 전송이나 결과수신 때 전송내역에 기록합니다.");
        break;
    }
    std::string what = Label(send) + K(", 센터 전송코드 ") + Str(send.centerCode);
    if (!send.sentAt.empty())
        what += ", " + send.sentAt.substr(0, 16);
    what += ", " + CvexGlobal::GetMoneyString(static_cast<long long>(send.recipients.size())) + K("명");
    return head + " (" + what + ")\n" + next;
}

int SettleJournal(CSQLDirect& db, const ProgressHooks& progress) {
    const std::string path = SendStatePath();
    if (path.empty())
        return 0;
    SendState state(path);
    state.Load();
    if (state.empty())
        return 0;
    FlushUnrecorded(db, state);
    for (const SendKind kind : {SendKind::Sms, SendKind::App}) {
        const PendingSend* found = state.FindUnknown(kind);
        if (found && found->phase == PendingSend::Phase::Disputed) {
            WriteLog(K("발송여부 확인이 필요한 전송이 있습니다. ") +
                         (kind == SendKind::App ? K("AlderS 문자") : K("문자")) +
                         K(" 보내기 창에서 정리해 주십시오.(") + CenterCodeText(*found) + ")",
                     0);
        } else if (found) {
            const PendingSend pending = *found;
            const EndSettlement s = SettleUnknownEnd(db, state, pending, progress);
            if (s.reply == EndReply::Ended)
                WriteLog(K("완료응답을 받지 못했던 전송이 센터에서 완료됨(") + CenterCodeText(pending) +
                             K(", 전송콜=") + Str(s.callSent) + ")",
                         0);
            else if (s.reply == EndReply::Disputed)
                LogAndShow(DisputeText(pending, s.text, false), 1);
            else
                WriteLog(K("완료응답을 받지 못한 전송을 아직 확인할 수 없습니다.(") +
                             CenterCodeText(pending) + ")",
                         0);
        }
    }
    return static_cast<int>(state.sends().size());
}
