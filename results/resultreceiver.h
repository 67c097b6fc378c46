// Collects the delivery results of earlier SMS/LMS sends from the center and applies them to the
// local history and to the members' failure stars. One object per run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "results/runlock.h"
#include "frame/progresshooks.h"

class CSQLDirect;

// What one receipt run did, for the clerk (a box) and for cron (the log, and the host's exit line).
struct ReceiptSummary {
    bool completed = false;
    int asked = 0;     // sends whose results were asked of the center
    int results = 0;   // results written to the history
    int failed = 0;    // of those, failed deliveries
    int starred = 0;   // members who got a failure star
    int pending = 0;   // sends of the last two months still waiting for their results
    int unsettled = 0; // sends of the journal still to be settled (ends without a known outcome)
};

// CP949. The box's text, several lines; or one line for the log and a shell's exit line.
std::string ReceiptSummaryText(const ReceiptSummary& summary, bool oneLine);

class CResultReceiver {
public:
    // ssCode > 0 selects that one local send, otherwise every pending send.
    CResultReceiver(CSQLDirect* db, int32_t ssCode);
    virtual ~CResultReceiver();
    CResultReceiver(const CResultReceiver&) = delete;
    CResultReceiver& operator=(const CResultReceiver&) = delete;

    // 1 when every selected send was gone through; 0 when the run stopped early (another run active,
    // a database or communication failure, or the one send asked for is too recent).
    int Run(const ProgressHooks& progress = {});

    // Set once a run got going (it held the lock); a run refused at once has none.
    const std::optional<ReceiptSummary>& Summary() const { return m_summary; }

    // The name the "one run at a time" lock is taken under.
    static constexpr const char* kLockName = "SMSResult_IsRunning";

private:
    enum class SendStep { Next, Stop };
    struct SendRow;
    int RunLocked(const ProgressHooks& progress);
    SendStep ReceiveSend(const SendRow& send, const std::string& limit, const ProgressHooks& progress);
    SendStep Confirm(const SendRow& send, bool received);
    // starred: members who got a failure star.
    bool ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& starred);
    int CountPending();
    void Show(const std::string& text);

    RunLock m_lock;
    CSQLDirect* m_db;
    int32_t m_mart = 0;
    int32_t m_ssCode;
    ReceiptSummary m_counts;
    std::optional<ReceiptSummary> m_summary;
};
