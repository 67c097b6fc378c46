// What the send and receipt tests share: a real SQLite store with members whose numbers the simulated
// carriers deliver or fail, the simulator over real HTTP, host, runtime and state folders of the test's
// own, scripted message boxes and shortened time-outs.
#pragma once

#include <string>
#include <vector>

#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "sms/smssend.h"
#include "tests/support/faultwalk.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"

struct LocalSend {
    int code = 0;
    int center = 0;
    int trcount = 0;
    int listRows = 0;
    int result = 0;
    int trfail = 0;
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
