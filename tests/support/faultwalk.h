// Every request of a send failing in every way the network or the center can fail, then pressed
// again, whatever the kind of send: afterwards the user was told the right thing, the center ended
// the send once and holds each recipient once, the history has no send the center did not end and
// none without its recipients, and the journal is empty. A kind (SMS, app message, coupon) supplies
// its requests, its texts and its press through a WalkKind.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/faultplan.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"

// The scale applied to every time-out: the end's 120 s become 1.2 s.
inline constexpr double kTestTimeoutScale = 0.01;
// Longer than a request's time-out of timeoutMs, scaled.
inline int LateMsFor(int timeoutMs) {
    return static_cast<int>(timeoutMs * kTestTimeoutScale) + 400;
}

// The ways a request of a send can fail, as the walk goes through them.
enum class WalkFault { Refused, CloseBefore, CloseAfter, Http500, Fail, NoColon, Short, BadUtf8, Late };
struct WalkFaultInfo {
    WalkFault kind;
    const char* name;
    bool answered;              // a reply reaches the module
    zmsg::sim::FaultKind armed; // what the simulator is armed with (a refused connection: nothing)
};
const std::vector<WalkFaultInfo>& WalkFaults();

struct WalkPosition {
    const char* verb;
    int nth; // a batch request: the batch number; the end: the try
};

// A fault of the simulator at the nth request of verb (the center's reason "센터 점검중").
void ArmFault(SimFixture& fx, const std::string& verb, int nth, zmsg::sim::FaultKind kind, int delayMs = 0);
// The module's center address.
void PointCenterAt(const std::string& host);

// What every kind's press comes to (Sent: sent or issued now).
enum class WalkOutcome { Other, Failed, Unresolved, Disputed, PreviousCompleted, PreviousDropped, Sent };
struct WalkPress {
    WalkOutcome outcome = WalkOutcome::Other;
    size_t rowsDone = 0;    // rows sent now, or found reached by the earlier send the press settled
    bool unsettled = false; // the window keeps an unsettled end for the next press
};

// The start of the first message shown.
struct WalkTexts {
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> requests; // verb: lost, refused
    std::string batchLast;   // the last message after a failed batch
    std::string sent;        // ended at a later try of the end
    std::string endLost;     // no try of the end answered
    std::string endGarbled;  // an answer to the end that cannot be read
    std::string endRefused;  // the end refused at its first try
    std::string endDisputed; // the end refused after a try went unanswered
    std::string settled;     // the next press found the unknown end gone out
};

class WalkKind {
public:
    virtual ~WalkKind() = default;
    virtual SimFixture& fx() = 0;
    virtual ScriptedMessages& boxes() = 0;
    // A fresh store with the recipients among its members, and a fresh simulator.
    virtual bool NewStore() = 0;
    // The first press takes every recipient; a later one what the window kept after the press before.
    virtual WalkPress Press(bool first) = 0;
    // The sends the center ended and the phones they reached, over all of them.
    virtual int Ended(std::vector<std::string>& phones) = 0;
    struct History {
        int rows = 0;
        int expectedRows = 0;
        bool endedAtCenter = false;
    };
    virtual std::vector<History> HistoryRows() = 0;
    // What only this kind must hold whatever happened.
    virtual void CheckCenter() {}

    std::string beginVerb, batchVerb, endVerb, path;
    std::vector<WalkPosition> positions;
    int recipients = 250;
    bool refusesRepeatedEnd = false; // the center refuses an end it ended already: only the end is walked
    bool keepsHistory = true;
    WalkTexts texts;
};

// Every fault at every position: each time a fresh store, a kept-alive connection to the center, the
// fault armed (a refused connection: the module pointed at a closed port), the first press and its
// checks, then presses until the send went out or was found gone out.
void WalkEveryFault(WalkKind& kind);
