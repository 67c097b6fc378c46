// Writing one ended send into the local history: its smssend row and all its smslist rows, together.
// An app message's row carries its ML and count in the app columns, its recipients sl_sendtype 1.
#pragma once

#include <cstdint>
#include <string>

#include "center/send/sendstate.h"

class CSQLDirect;

enum class RecordStep {
    Done,
    Code, // the highest local send code could not be read
    Send, // the smssend row could not be written
    List, // an smslist row could not be written
};

struct RecordOutcome {
    RecordStep step = RecordStep::Done;
    int32_t localCode = 0; // the send's ss_code when Done
    bool already = false;  // the history already held this center code (written before)
};

// One database transaction: the new local code is the highest plus one and is taken together with the
// rows, so two processes finishing at once never share a code (a clash is retried). A send whose
// center code the history already holds is not written twice. On failure nothing of it is written.
// atSendTime: the row gets the send's own time rather than the database's now (a send written later).
RecordOutcome RecordSend(CSQLDirect& db, const PendingSend& send, bool atSendTime = false);

// The message of a failed step, as the send of that kind shows it.
std::string RecordFailureText(RecordStep step, SendKind kind = SendKind::Sms);

// "SS=5001" or "ML=4300000001": the send in a log line.
std::string CenterCodeText(const PendingSend& send);

// Writes every ended send the state file still holds and drops those written. Returns how many are
// left over. Quiet: failures are logged, the entries stay for the next opportunity.
int FlushUnrecorded(CSQLDirect& db, SendState& state);
