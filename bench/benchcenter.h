// What the send and receipt benchmarks share: a host folder of their own (log folder, state file),
// the simulated center in-process on a free port with the module's settings pointed at it, message
// boxes that answer OK without showing anything, store files with many members, and the receipt
// benchmarks' measuring and summary.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QByteArray>
#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "frame/messagebox.h"
#include "frame/progresshooks.h"
#include "sim/simserver.h"
#include "sms/smssend.h"

class BenchCenter {
public:
    static constexpr int kStore = 1001;

    BenchCenter();
    ~BenchCenter();
    BenchCenter(const BenchCenter&) = delete;
    BenchCenter& operator=(const BenchCenter&) = delete;

    bool ok() const { return m_ok; }
    zmsg::sim::SimServer& sim() { return m_sim; }
    CSQLDirect& db() { return m_db; }
    // Boxes shown since the last NewStore (each answered OK).
    int shown() const { return m_shown; }

    // A fresh store file with `members` members, a fresh simulator whose store can pay for
    // `calls` messages, no state file left from an earlier send.
    bool NewStore(int members, double calls);
    std::string storePath() const { return m_storePath; }

    // Member i (0-based) has code i + 1 and number 010NNNNNNNN (8 digits of i): those ending in 7
    // fail delivery. Some stored masked, some with hyphens, some with failure stars already.
    static std::string PhoneOf(int i);
    // A send of members 0 .. recipients-1 with merge fields (name and points), as the dialog
    // would fill it.
    static SmsSendInput Input(int recipients, int batchSize);

private:
    QTemporaryDir m_dir;
    bool m_hadXdg = false;
    QByteArray m_previousXdg;
    zmsg::sim::SimServer m_sim;
    CSQLDirect m_db;
    MessagePresenter m_previousBoxes;
    std::string m_storePath;
    int m_stores = 0;
    int m_shown = 0;
    bool m_ok = false;
};

// One member row of a benchmark store; what is not given is stored as NULL.
struct BenchMember {
    std::string name;
    std::string cel; // as stored: masked or not, with or without stars
    int32_t key = -1;
    int point = 0;
    std::optional<std::string> bzname;
    int apply = 0;
    std::optional<std::string> m2date;
    std::optional<std::string> hdate;
    int status = 1;
};

// A new store file at path with the module's tables and members 1 .. count as member(code) describes
// them, put in with one prepared statement in one transaction (the set-up is not measured).
bool WriteMemberStore(const std::string& path, int count, const std::function<BenchMember(int code)>& member);

// The same, written once per name and count in a folder of the run's own; aborts when it cannot be
// written. The file's path.
std::string MemberStoreOnce(const std::string& name, int count,
                            const std::function<BenchMember(int code)>& member);

// A result receipt of one send of n recipients: the send is made in a fresh store, two days old, with
// one in ten numbers failing delivery; only the receipt's Run is timed, on the wall clock and as the
// calling thread's CPU time (the machine is shared: under load the wall time of a long run grows
// faster than the work done). Its progress texts split the run into the fetch, the history updates
// and the members' failure marks.
struct ReceiptBench {
    const char* title = "";   // the summary's heading
    const char* marks = "";   // what the receipt changes on members ("stars", "counters")
    std::string applyingText; // CP949: progress while the history is written
    std::string membersText;  // CP949: progress while the members are marked
    std::string memberValue;  // the member column the receipt changes, as selected
    std::string stateColumn;  // the send's received state, then its failure count
    std::string failColumn;
    std::function<int(BenchCenter& bench, int n)> send; // the send's local code; 0 when it failed
    std::function<int(CSQLDirect& db, const ProgressHooks& progress)> run;
};

// Runs the receipt for 10,000, 50,000 and 100,000 results and prints the summary (with
// --benchmark_repetitions=N, of the fastest of N runs).
int ReceiptBenchMain(int argc, char** argv, const ReceiptBench& receipt);
