// Settling a send (of any kind) whose end the center may have carried out without the store knowing: the same
// end request asked again, what its answer proves, and the history written from the journal's entry. The send
// and the result receipt both settle through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "center/send/sendrecord.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"
#include "text/codec.h"

class CSQLDirect;

enum class EndReply {
    Ended,    // the center ended the send (now or before); the reply carries the charge
    Refused,  // a refusal of an end whose every earlier request was answered: nothing went out
    Disputed, // a refusal after a lost reply: it may well mean "already ended", so it proves nothing
    Unusable, // a garbled or cut reply: the end may have gone through
    NoReply,  // no try got a reply
};

// The end request of a send of that kind, always the same for the same send: the center answers a
// repeated end as it answered the first.
struct EndRequest {
    std::string path;    // request address
    std::string body;    // form body
    std::string logHead; // the try's log line up to "건 전송완료요청"
    std::string tryLog = zmsg::K("건 전송완료요청(재시도=");
    // The progress texts while the end is waited for, and of a retry up to its number.
    std::string waitText =
        zmsg::K("센터에 전송완료를 요청중입니다.(앞 단계보다 다소 시간이 소요될 수 있습니다.)");
    std::string retryHead = zmsg::K("센터에 전송완료를 요청중입니다.(");
};
EndRequest EndRequestOf(const PendingSend& send);

// Posts the send's end request, tried three times on communication failures. afterLostReply: an
// earlier end request of this send got no usable reply. reply receives the converted reply.
EndReply PostEnd(const PendingSend& send, bool afterLostReply, const ProgressHooks& progress,
                 std::string& reply);

// Whether the history already holds the send of that kind and center code (another program wrote it).
enum class InHistory { Error, No, Yes };
InHistory FindInHistory(CSQLDirect& db, int64_t centerCode, int32_t& localCode, int32_t& callSent,
                        SendKind kind = SendKind::Sms);

// Writes the history of the ended send the journal holds under that kind and center code and drops
// its entry. When the history cannot be written the entry stays as an ended send, written at the next
// send or receipt. Step Send when the journal does not hold the send.
RecordOutcome RecordEnded(CSQLDirect& db, SendState& state, int64_t centerCode, int32_t callSent,
                          bool atSendTime, SendKind kind = SendKind::Sms, int32_t allUser = 0);

struct EndSettlement {
    EndReply reply = EndReply::NoReply;
    std::string text;     // the center's reply (converted)
    int32_t callSent = 0; // Ended: CALL_SENT
    int32_t allUser = 0;  // Ended, app messages: ALL_USER
    RecordOutcome record; // Ended: how its history went
};

// Asks the center about the journal's unknown end with the same end request. Ended: its history is
// written (RecordEnded). A refusal: the entry becomes disputed with the center's reason, for the clerk
// to settle. Anything else leaves it unknown.
EndSettlement SettleUnknownEnd(CSQLDirect& db, SendState& state, const PendingSend& pending,
                               const ProgressHooks& progress);

// The center's own words in a refusal (the text after its code).
std::string RefusalReason(const std::string& reply);

// What the clerk is told when an end was refused after a lost reply. inDialog: the SMS dialog, where
// the next press of the send button settles it; otherwise the receipt, which points there.
std::string DisputeText(const PendingSend& send, const std::string& reply, bool inDialog);

// The send of that kind the journal holds whose end is unresolved (unknown or disputed), if any; also
// of a journal this process cannot take over (JournalPlace::stranded).
std::optional<PendingSend> UnresolvedInJournal(SendKind kind = SendKind::Sms);

// What the SMS dialog shows while a send waits to be settled: which send (the center's code), when,
// how many recipients, and what the next press does about it. CP949, two lines.
std::string PendingSendNotice(const PendingSend& send);

// For the result receipt, before it collects results: writes the journal's ended sends and asks the
// center about its unknown ends, so that every send the center ended reaches the history. Disputed
// ends are left to the clerk. Quiet but for a new dispute; returns how many entries are left.
int SettleJournal(CSQLDirect& db, const ProgressHooks& progress = {});
