// Faults armed for the Nth coming request of a verb: what a flaky network or a struggling
// provider does to a client, on demand.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zmsg::sim {

enum class FaultKind {
    Delay,       // only wait delayMs, then answer normally
    CloseBefore, // drop the connection without acting or answering
    CloseAfter,  // act (the state changes), then drop the connection: the reply is lost
    Http500,     // answer HTTP 500 without acting
    Fail,        // answer "<code>:<reason>" without acting
    NoColon,     // act, then answer the reply without its colon
    Short,       // act, then answer "1:" alone
    BadUtf8,     // act, then answer the reply behind two bytes that are not UTF-8
    Raw,         // act, then answer exactly `body`
};

struct Fault {
    std::string verb; // the form's request kind ("SMSEND"), or UPLOAD, DOWNLOAD, AUTH, CALLLIST
    int nth = 1;      // 1 = the next request of that verb
    FaultKind kind = FaultKind::Delay;
    int delayMs = 0; // waited before anything else, with every kind
    std::string code = "0";
    std::string reason;
    std::string body;
    int act = -1; // -1: the kind's own choice; 0 or 1 forces it
    bool Acts() const;
};

std::optional<FaultKind> FaultKindFromName(const std::string& name);
std::string FaultKindName(FaultKind kind);
// Every kind's name, comma-separated.
std::string FaultKindNames();

class FaultPlan {
public:
    void Arm(Fault fault);
    // Counts one request of the verb against every armed fault; the one that falls due is returned
    // and disarmed.
    std::optional<Fault> Take(const std::string& verb);
    void Clear();
    // Waits up to ms, cut short by Interrupt (the server is stopping). False when interrupted.
    bool Sleep(int ms);
    void Interrupt();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
    std::vector<Fault> m_armed;
};

} // namespace zmsg::sim
