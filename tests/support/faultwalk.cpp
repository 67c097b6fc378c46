#include "tests/support/faultwalk.h"

#include <chrono>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "center/requestclient.h"
#include "center/send/sendstate.h"
#include "center/vexconfig.h"

using zmsg::sim::FaultKind;

const std::vector<WalkFaultInfo>& WalkFaults() {
    static const std::vector<WalkFaultInfo> faults = {
        {WalkFault::Refused, "refused", false, FaultKind::CloseBefore},
        {WalkFault::CloseBefore, "close-before", false, FaultKind::CloseBefore},
        {WalkFault::CloseAfter, "close-after", false, FaultKind::CloseAfter},
        {WalkFault::Http500, "http500", false, FaultKind::Http500},
        {WalkFault::Fail, "fail", true, FaultKind::Fail},
        {WalkFault::NoColon, "nocolon", true, FaultKind::NoColon},
        {WalkFault::Short, "short", true, FaultKind::Short},
        {WalkFault::BadUtf8, "badutf8", true, FaultKind::BadUtf8},
        {WalkFault::Late, "late", false, FaultKind::Delay},
    };
    return faults;
}

void ArmFault(SimFixture& fx, const std::string& verb, int nth, FaultKind kind, int delayMs) {
    zmsg::sim::Fault f;
    f.verb = verb;
    f.nth = nth;
    f.kind = kind;
    f.delayMs = delayMs;
    f.code = "0";
    f.reason = "센터 점검중";
    fx.sim().Faults().Arm(f);
}

void PointCenterAt(const std::string& host) {
    CvexConfig().SetConfigString("CENTER", "Host", host);
}

namespace {

// Longer than the request's scaled time-out: the end waits 120 s, a batch 60 s.
int LateMs(const WalkKind& kind, const std::string& verb) {
    const int timeout = verb == kind.endVerb     ? 120000
                        : verb == kind.batchVerb ? 60000
                        : verb == "UPLOAD"       ? zmsg::kFileTimeoutMs
                                                 : zmsg::kDefaultRequestTimeoutMs;
    return LateMsFor(timeout);
}

// What the first press comes to; every position before the end fails.
WalkOutcome Expected(const WalkKind& kind, const WalkPosition& at, const WalkFaultInfo& k) {
    if (at.verb != kind.endVerb)
        return WalkOutcome::Failed;
    if (k.kind == WalkFault::Fail) // a refusal: definite only while no try before went unanswered
        return at.nth == 1 ? WalkOutcome::Failed : WalkOutcome::Disputed;
    if (k.answered || at.nth == 3)
        return WalkOutcome::Unresolved;
    // The next try: ended now, or refused when the center had ended it already.
    return kind.refusesRepeatedEnd && k.kind == WalkFault::CloseAfter ? WalkOutcome::Disputed
                                                                      : WalkOutcome::Sent;
}

std::string ExpectedFirst(const WalkKind& kind, const WalkPosition& at, const WalkFaultInfo& k,
                          WalkOutcome expected) {
    for (const auto& [verb, lostRefused] : kind.texts.requests)
        if (verb == at.verb)
            return k.answered ? lostRefused.second : lostRefused.first;
    switch (expected) {
    case WalkOutcome::Sent:
        return kind.texts.sent;
    case WalkOutcome::Disputed:
        return kind.texts.endDisputed;
    case WalkOutcome::Unresolved:
        return k.answered ? kind.texts.endGarbled : kind.texts.endLost;
    default:
        return kind.texts.endRefused;
    }
}

void CheckInvariants(WalkKind& kind, const char* when) {
    SCOPED_TRACE(when);
    std::vector<std::string> phones;
    EXPECT_LE(kind.Ended(phones), 1) << "the same send ended twice";
    const std::set<std::string> distinct(phones.begin(), phones.end());
    EXPECT_EQ(distinct.size(), phones.size()) << "a recipient reached twice";
    for (const WalkKind::History& h : kind.HistoryRows()) {
        EXPECT_EQ(h.rows, h.expectedRows) << "a send row without all its recipients";
        EXPECT_TRUE(h.endedAtCenter) << "history of a send the center did not end";
    }
    kind.CheckCenter();
}

void WalkOne(WalkKind& kind, const WalkPosition& at, const WalkFaultInfo& k) {
    SimFixture& fx = kind.fx();
    auto& requests = fx.sim().Requests();
    ASSERT_TRUE(kind.NewStore());
    std::string reply;
    ASSERT_EQ(RequestPost(fx.url(kind.path), "work=MARTINFO&mart=1001&ver=1", reply, 0), 1);
    requests.Clear();
    const bool end = at.verb == kind.endVerb;
    if (end) // reaching try n of the end takes n - 1 tries that got no answer
        for (int n = 1; n < at.nth; ++n)
            ArmFault(fx, kind.endVerb, n, FaultKind::CloseBefore);
    if (k.kind == WalkFault::Refused)
        PointCenterAt("http://127.0.0.1:1");
    else
        ArmFault(fx, at.verb, at.nth, k.armed, k.kind == WalkFault::Late ? LateMs(kind, at.verb) : 0);
    const WalkPress first = kind.Press(true);
    PointCenterAt(fx.sim().BaseUrl());

    const WalkOutcome expected = Expected(kind, at, k);
    EXPECT_EQ(first.outcome, expected);
    const auto texts = kind.boxes().texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.at(0).rfind(ExpectedFirst(kind, at, k, expected), 0), 0u) << texts.at(0);
    // No request went twice: libcurl never replayed one on a reused connection.
    if (at.verb == kind.batchVerb) {
        EXPECT_EQ(texts.back(), kind.texts.batchLast);
        EXPECT_EQ(requests.Count(kind.batchVerb), at.nth);
        EXPECT_EQ(requests.Count(kind.endVerb), 0);
    }
    if (end) {
        EXPECT_EQ(requests.Count(kind.endVerb), !k.answered && at.nth < 3 ? at.nth + 1 : at.nth);
    }
    EXPECT_EQ(first.rowsDone, expected == WalkOutcome::Sent ? static_cast<size_t>(kind.recipients) : 0u)
        << "rows left out before the send went out";
    if (kind.keepsHistory) {
        EXPECT_EQ(kind.HistoryRows().size(), expected == WalkOutcome::Sent ? 1u : 0u);
    }
    EXPECT_EQ(first.unsettled, expected == WalkOutcome::Unresolved || expected == WalkOutcome::Disputed);
    CheckInvariants(kind, "after the fault");

    // The user presses again. A refused end waits for the clerk, who answers by what the center
    // shows; a send settled as not sent goes at the press after.
    fx.sim().Faults().Clear();
    if (k.kind == WalkFault::Late)
        std::this_thread::sleep_for(std::chrono::milliseconds(LateMs(kind, at.verb)));
    WalkPress last = first;
    size_t done = first.rowsDone;
    for (int press = 1;
         last.outcome != WalkOutcome::Sent && last.outcome != WalkOutcome::PreviousCompleted && press <= 4;
         ++press) {
        kind.boxes().clear();
        const bool asked = last.outcome == WalkOutcome::Disputed;
        if (asked) {
            std::vector<std::string> phones;
            kind.boxes().setNextAnswer(kind.Ended(phones) == 1 ? IDYES : IDNO);
        }
        requests.Clear();
        last = kind.Press(false);
        done += last.rowsDone;
        EXPECT_TRUE(last.outcome == WalkOutcome::Sent || last.outcome == WalkOutcome::PreviousCompleted ||
                    last.outcome == WalkOutcome::PreviousDropped ||
                    (kind.refusesRepeatedEnd && last.outcome == WalkOutcome::Disputed))
            << static_cast<int>(last.outcome);
        if (first.unsettled && press == 1 && last.outcome != WalkOutcome::PreviousDropped) {
            EXPECT_EQ(requests.Count(kind.beginVerb), 0) << "a new begin before the unsettled end was asked";
        }
        if (!asked && last.outcome == WalkOutcome::PreviousCompleted) {
            ASSERT_FALSE(kind.boxes().texts().empty());
            EXPECT_EQ(kind.boxes().texts().at(0).rfind(kind.texts.settled, 0), 0u)
                << kind.boxes().texts().at(0);
        }
    }
    if (expected == WalkOutcome::Unresolved) {
        EXPECT_EQ(last.outcome, WalkOutcome::PreviousCompleted);
    }
    EXPECT_EQ(done, static_cast<size_t>(kind.recipients));
    CheckInvariants(kind, "after pressing again");
    std::vector<std::string> phones;
    EXPECT_EQ(kind.Ended(phones), 1);
    EXPECT_EQ(phones.size(), static_cast<size_t>(kind.recipients));
    if (kind.keepsHistory) {
        const auto history = kind.HistoryRows();
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].rows, kind.recipients);
    }
    SendState state(SendStatePath());
    state.Load();
    EXPECT_TRUE(state.empty());
}

} // namespace

void WalkEveryFault(WalkKind& kind) {
    for (const WalkPosition& at : kind.positions) {
        if (kind.refusesRepeatedEnd && at.verb != kind.endVerb)
            continue; // how the center answers a repeated end matters only where an end is repeated
        for (const WalkFaultInfo& fault : WalkFaults()) {
            // A refused connection can only be had for the whole center: walked at the begin.
            if (fault.kind == WalkFault::Refused && at.verb != kind.beginVerb)
                continue;
            SCOPED_TRACE(std::string(at.verb) + "#" + std::to_string(at.nth) + " " + fault.name);
            WalkOne(kind, at, fault);
            PointCenterAt(kind.fx().sim().BaseUrl());
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}
