// The list of refusal requests matched to members: filters, the query and its rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "optout/notice.h"

class CSQLDirect;

// The status text of the list and its filter: "완료", "" (open), "보류", "재요청", "임의완료" (CP949).
std::string RefusalStatusText(int status);

struct RefusalFilter {
    int startDay = 0;   // yyyymmdd
    int endDay = 0;     // yyyymmdd
    int status = -1;    // -1 all, else 0..4
    int smsFlag = -1;   // -1 all, 0 members allowed ("허용"), 1 members refusing ("거부")
    std::string search; // refusing number: 4 digits match the last four, more digits the whole number
};

// One row of the list. A request shows once with its first matched member; each further matched
// member gets a row of its own below it (requestRow false, request columns empty).
struct RefusalRow {
    int32_t requestCode = 0;    // sr_code
    bool requestRow = true;     // the request's own row (columns 0 to 4, 9, 10 filled)
    int status = 0;             // sr_status
    std::string day;            // sr_day as stored
    std::string requestDate;    // "yyyy-mm-dd" (empty when sr_day is not 8 characters)
    std::string refusingNumber; // restored, every "*" removed
    std::string calledNumber;   // restored: the tip of the number
    std::string editDate;       // sr_edate, 16 characters
    std::string insertDate;     // sr_idate, 16 characters: the tip of the edit date
    std::string refuseDate;     // sr_refusedate, 16 characters
    std::string smsDate;        // sr_smsdate, 16 characters
    bool checkable = false;     // open (status 1 or 2): the member column carries a check box
    int32_t memberCode = 0;     // 0: no member matched
    std::string memberName;
    std::string memberBarcode;
    std::string memberPhone;    // restored
    bool memberRefuses = false; // bit 4096 of mem_apply: "거부", else "허용"
};

struct RefusalQuery {
    bool ok = false;
    std::vector<RefusalRow> rows;
    UserNotice notice; // the period check (message box) or the failure (level 1)
};

// The statement for a filter (without the in-memory steps), as the database receives it.
std::string RefusalQuerySql(const RefusalFilter& filter);
// Runs the list query: requests of the period (and status, number) with the active members whose
// whole mobile number equals the refusing number (the join narrows by the last four digits).
RefusalQuery QueryRequests(CSQLDirect& db, const RefusalFilter& filter);

// Which phones (digits only) belong to someone who refused advertising: an active or former member
// whose mobile is that number and whose mem_apply has bit 4096, or the caller of a refusal request on
// record (any status; its number is stored masked). refused[i] belongs to phones[i]. false with the
// failure (level 1) when it could not be read: then no number can be vouched for.
bool FindRefusedNumbers(CSQLDirect& db, const std::vector<std::string>& phones, std::vector<bool>& refused,
                        UserNotice& failure);
