// What the send and receipt tests share: a real SQLite store with members whose numbers the simulated
// carriers deliver or fail, the simulator over real HTTP, host, runtime and state folders of the test's
// own, scripted message boxes and shortened time-outs, and the walk of a send through every fault at
// every request.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "sim/faultplan.h"
#include "sms/smssend.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"

// The scale applied to every time-out: the end's 120 s become 1.2 s.
inline constexpr double kTestTimeoutScale = 0.01;

struct LocalSend {
    int code = 0;
    int center = 0;
    int trcount = 0;
    int listRows = 0;
    int result = 0;
    int trfail = 0;
};

// The ways a request of a send can fail, as a fault walk goes through them.
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

struct FaultWalk {
    std::vector<WalkPosition> positions;
    std::string beginVerb; // a refused connection can only be had for the whole center: walked here
    std::string endVerb;   // reaching try n of the end takes n - 1 tries that got no answer
    std::string path;      // the send's request address
    int recipients = 0;
    std::function<int(const std::string& verb)> lateMs; // longer than the request's scaled time-out
    std::function<void()> prepare;                      // after the fresh store, before anything is armed
    std::string traceSuffix;
};

class SendFixture {
public:
    SendFixture();
    ~SendFixture();

    bool ok() const { return m_ok; }
    // A fresh store file with `members` members (and a fresh simulator state).
    bool NewStore(int members);

    // Member i (0-based) has code i + 1 and number 0101000NNNN: those ending in 7 fail delivery.
    static std::string PhoneOf(int i);
    SmsSendInput Input(int recipients, int batchSize = 100) const;
    SmsSendResult Send(const SmsSendInput& input);

    std::vector<LocalSend> History();
    // Every send the simulator ended, and the recipients of those, over all of them.
    struct CenterView {
        int ended = 0;
        int open = 0;
        std::vector<std::string> phones;
        double balance = 0;
    };
    CenterView Center();
    std::string MemberCel(int code);
    int ListResult(int localCode, int seq);
    // One statement on a second connection of the same file (as another program would).
    bool Exec(const std::string& sql);

    // A fault of the simulator at the nth request of verb (the center's reason "센터 점검중").
    void Arm(const std::string& verb, int nth, zmsg::sim::FaultKind kind, int delayMs = 0);
    // The module's center address.
    void PointAt(const std::string& host);
    // Every fault at every position of the walk: each time a fresh store, a kept-alive connection to
    // the center, the fault armed (a refused connection: the module pointed at a closed port until
    // the step points it back, as the walk does after the step), then the step, traced with the
    // position and the fault. A fatal failure in a step ends the walk.
    void Walk(const FaultWalk& walk,
              const std::function<void(const WalkPosition&, const WalkFaultInfo&)>& step);

    SimFixture& fx() { return m_fx; }
    TestFolders& folders() { return m_folders; }
    CSQLDirect& db() { return m_db; }
    ScriptedMessages& boxes() { return m_boxes; }
    std::string storePath() const { return m_storePath; }
    std::string hostDir() const;

private:
    SimFixture m_fx;
    TestFolders m_folders;
    QTemporaryDir m_dir;
    CSQLDirect m_db;
    ScriptedMessages m_boxes;
    std::string m_storePath;
    int m_stores = 0;
    bool m_ok = false;
};
