// Carrying refusals out: choosing the requests, refusing the members with a change-log row, finding
// which requests a completion notice reached, and the request dates the notice carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "optout/notice.h"
#include "optout/refusallist.h"

class CSQLDirect;

// The codes an action works on.
struct RefusalSelection {
    std::vector<int32_t> requests;    // request codes
    std::vector<int32_t> members;     // member codes
    std::vector<int32_t> openMembers; // member codes of requests still open (status 1 or 2)
    int ticked = 0;                   // rows the user ticked
};

// The rows an action may take (open requests, with a check box): the ticked ones, or all when none
// is ticked. ticked[i] belongs to rows[i].
RefusalSelection CollectSelection(const std::vector<RefusalRow>& rows, const std::vector<bool>& ticked,
                                  bool onlyTicked);

// The three actions of the list; each asks its own question, naming what Yes does.
enum class RefusalAction {
    Apply,  // "수신거부적용": refuse the members, then send the notice
    Notify, // "처리결과알림": send the notice only
    ByHand, // "임의완료처리": close the requests only (needs ticked rows)
};

// The question an action asks before working on the ticked requests, or on all listed ones.
std::string SelectionQuestion(RefusalAction action, bool allListed);

// The whole choice with its question (message box 0x124) and the message for manual completion
// without ticks. false: nothing to do.
bool SelectRequests(const std::vector<RefusalRow>& rows, const std::vector<bool>& ticked,
                    RefusalAction action, RefusalSelection& selection);

struct ApplyOutcome {
    std::vector<int32_t> requests; // requests whose member was refused now
    int refused = 0;               // members refused now
    UserNotice failure;            // set when a step failed (the members before it stay refused)
};

// Refuses the members not refused yet: reads all their codes first, then for each member sets bit
// 4096 of mem_apply and writes its memlog row (kind 23, "허용" -> "거부") in one transaction. The
// update is guarded on the bit, so a member refused meanwhile by another machine gets no second row.
ApplyOutcome ApplyRefusal(CSQLDirect& db, const std::vector<int32_t>& members,
                          const std::vector<RefusalRow>& rows, int empCode);

// One member change-log row. false with the failure notice (level 16).
bool InsertMemberLog(CSQLDirect& db, int32_t member, int kind, const std::string& before,
                     const std::string& after, int empCode, UserNotice* failure = nullptr);

// The open requests (status 1 or 2) of the listed rows whose refusing number was a recipient of the
// send with this local code (smslist). An empty list for code 0.
std::vector<int32_t> FindNotifiedRequests(CSQLDirect& db, int32_t sendCode,
                                          const std::vector<RefusalRow>& rows, UserNotice* failure = nullptr);

// The highest local send code recorded so far (0 for none; -1 when it cannot be read). Taken before
// the notice dialog opens: the notices it makes come above it.
int32_t HighestSendCode(CSQLDirect& db);

// After the notice step: the chosen requests the notices reached become "완료", the other chosen ones
// "보류". sendCodes: the local codes the notice dialog recorded (none: nothing was sent, however it
// closed). Only a notice counts (recipient type 3) recorded above codesBefore, the highest code before
// the dialog opened: an earlier send the dialog settled from the journal is no notice of this round.
// A request completes only when every member matched to it refuses advertising (bit 4096) by now:
// a notice must not say a refusal was carried out that was not.
struct CompletionOutcome {
    std::vector<int32_t> completed;
    std::vector<int32_t> onHold;
    UserNotice failure;
};
CompletionOutcome CompleteNotices(CSQLDirect& db, const std::vector<int32_t>& sendCodes, int32_t codesBefore,
                                  const std::vector<int32_t>& chosen, const std::vector<RefusalRow>& rows,
                                  int empCode);

// "임의완료처리": the chosen requests become status 4 (completed ones stay 0).
bool CompleteByHand(CSQLDirect& db, const std::vector<int32_t>& chosen, int empCode,
                    UserNotice* failure = nullptr);

// "2015년 6월 1일" for "20150601" (CP949); the text unchanged when it is not 8 characters.
std::string FormatRequestDate(const std::string& day);

struct RequestDates {
    // One entry per phone: the written date of its newest open request (status 1 or 2), or nullopt
    // when the number has none, so that recipient gets no notice (untick it).
    std::vector<std::optional<std::string>> dates;
    UserNotice failure; // the lookup failed (the message box, not logged): dates is empty then
};
// The "{요청일}" of each recipient phone (as the recipient list holds it, digits only).
RequestDates FillRequestDates(CSQLDirect& db, const std::vector<std::string>& phones);
