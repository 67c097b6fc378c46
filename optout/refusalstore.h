// Refusal requests in smsrefuse: storing downloaded ones, the download's start point, status changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "optout/notice.h"

class CSQLDirect;

// Statuses of a refusal request (sr_status).
enum RefusalStatus : int {
    kRefusalCompleted = 0,  // "완료"
    kRefusalOpen = 1,       // "미처리": every downloaded request starts here
    kRefusalOnHold = 2,     // "보류"
    kRefusalRerequest = 3,  // "재요청": a newer request of the same caller came in
    kRefusalByHand = 4,     // "임의완료"
    kRefusalStampApply = -1 // not a status: UpdateRequestStatus stamps sr_refusedate only
};

// One downloaded request, checked: day 8 digits, time and numbers digits only.
struct RefusalRequest {
    std::string day;            // yyyymmdd
    std::string time;           // digits, as the server gave it
    std::string calledNumber;   // the store's 080 number the call came in on
    std::string refusingNumber; // the caller
};

struct StartPoint {
    std::string day;  // yyyymmdd
    std::string time; // digits
};

// Where the next download asks from. The newest stored request's second is asked again (one second
// earlier is given), so a request stored after it in the same second is not skipped; the duplicate
// check drops what is already held. "20150601"/"0" for an empty table. failure set when unreadable.
bool ReadStartPoint(CSQLDirect& db, StartPoint& from, UserNotice& failure);

struct StoreOutcome {
    bool ok = true;
    int stored = 0;     // rows inserted
    int duplicates = 0; // requests already held (same day, time and refusing number)
    int superseded = 0; // earlier open requests of the same callers set to "재요청"
    UserNotice failure; // level 1 when ok is false
};

// Stores the requests in one transaction: the codes are allocated under a locking read with the
// rows, an earlier open request (status 1 or 2) of the same caller becomes status 3, a request
// already held is skipped. On failure nothing of this call is stored.
StoreOutcome StoreRequests(CSQLDirect& db, const std::vector<RefusalRequest>& requests, int empCode);

// Sets the status of the requests (kRefusalStampApply: stamps sr_refusedate only). A completed
// request (status 0) never changes again. Returns 1 on success; 0 for an empty list, and 0 with the
// failure notice set (level 1) when the statement failed.
int UpdateRequestStatus(CSQLDirect& db, const std::vector<int32_t>& codes, int status, int empCode,
                        UserNotice* failure = nullptr);

// "1,2,3"
std::string JoinCodes(const std::vector<int32_t>& codes);
