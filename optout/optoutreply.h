// Reading the opt-out server's replies once they are CP949 text: which elements were there, what
// they held, and the first check that failed. Standard library and the XML reader only, so the fuzz
// harness builds it alone; the messages the user reads are made from the result in optoutprotocol.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "optout/refusalstore.h"

enum class ReplyCheck {
    Ok,
    NoResult,
    NoMessage,
    NotAccepted, // a result code other than 1000 (the server's message goes with it)
    NoSessionId,
    NoNumber080,
    NoList,
    NoDate,
    NoTime,
    NoCalledNumber,
    NoCaller,
    BadDate,         // not 8 digits once every "-" is removed
    BadTime,         // not 1 to 9 digits
    BadCalledNumber, // not 1 to 20 digits
    BadCaller,       // not 1 to 20 digits
};

// A LIST element that was not taken: what it held, as received, and the first check it failed.
struct SkippedRecord {
    int index = 0; // 1-based among the LIST elements
    ReplyCheck check = ReplyCheck::Ok;
    std::string date, time, calledNumber, caller;
};

struct AuthRead {
    ReplyCheck check = ReplyCheck::NoResult;
    int result = -1; // the code read, -1 when none
    std::string message;
    std::string sessionId;
    std::string number080;
};
AuthRead ReadAuthXml(std::string_view cp949);

struct CallListRead {
    ReplyCheck check = ReplyCheck::NoResult;
    int result = -1;
    std::string message;
    std::vector<RefusalRequest> requests; // only when check is Ok
    // Records that did not hold a usable day, time or number. They are left out one by one: one
    // record refusing the whole reply would stop every later download at the same record.
    std::vector<SkippedRecord> skipped;
};
CallListRead ReadCallListXml(std::string_view cp949);
