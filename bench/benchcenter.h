// What the send and receipt benchmarks share: a host folder of their own (log folder, state file),
// the simulated center in-process on a free port with the module's settings pointed at it, message
// boxes that answer OK without showing anything, and store files with many members.
#pragma once

#include <string>

#include <QByteArray>
#include <QTemporaryDir>

#include "center/db/sqldirect.h"
#include "frame/messagebox.h"
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
