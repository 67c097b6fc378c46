// One row of the recipient list: who a message goes to and how.
#pragma once

#include <cstdint>
#include <string>

struct Recipient {
    int32_t code = 0;     // member, employee or supplier code; 0 for rows added by hand or pasted
    std::string name;     // CP949, with the business name in brackets for members that have one
    std::string phone;    // digits only
    std::string text3;    // points (comma-grouped) / department / supplier name / pasted third field
    std::string text4;    // last visit / title / CEO name / pasted fourth field / request date (type 3)
    std::string appDate;  // app-signal date, first 16 characters of the stored date; empty when none
    std::string remark;   // "3회수신실패" for numbers that failed three times, else empty
    bool checked = true;  // the row is a recipient
    bool bySms = false;   // the last recount sends this row by SMS
    bool byApp = false;   // the last recount sends this row as a free app message
    bool appUser = false; // the app-signal filter counts this member as an app user
};
