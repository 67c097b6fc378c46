// What the SMS and the app-message result receipts share: the run under its lock with its closing
// summary, the journal settled first, the store code, and one send's results applied in one
// transaction (the send marked received guarded on its state, results matched to the send's rows
// by restored number, members updated only by the run that marked it).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "results/resultitems.h"
#include "results/runlock.h"
#include "frame/progresshooks.h"

class CSQLDirect;

enum class ReceiptKind { Sms, Smms };

// What one receipt run did, for the clerk (a box) and for cron (the log, and the host's exit line).
struct ReceiptSummary {
    ReceiptKind kind = ReceiptKind::Sms;
    bool completed = false;
    int asked = 0;     // sends whose results were asked of the center
    int results = 0;   // results written to the history
    int failed = 0;    // of those, failed deliveries
    int starred = 0;   // members whose failure mark went up (SMS: a star, app messages: the counter)
    int pending = 0;   // sends of the last two months still waiting for their results
    int unsettled = 0; // sends of the journal still to be settled (ends without a known outcome)
};

// CP949. The box's text, several lines; or one line for the log and a shell's exit line.
std::string ReceiptSummaryText(const ReceiptSummary& summary, bool oneLine);

class CReceiptRun {
public:
    virtual ~CReceiptRun();
    CReceiptRun(const CReceiptRun&) = delete;
    CReceiptRun& operator=(const CReceiptRun&) = delete;

    // 1 when every selected send was gone through; 0 when the run stopped early (another run active,
    // a database or communication failure, or the one send asked for is too recent).
    int Run(const ProgressHooks& progress = {});

    // Set once a run got going (it held the lock); a run refused at once has none.
    const std::optional<ReceiptSummary>& Summary() const { return m_summary; }

protected:
    // startLine: CP949, the log line a run begins with.
    CReceiptRun(CSQLDirect* db, int32_t ssCode, ReceiptKind kind, const char* lockName,
                std::string startLine);

    // The receipt's own work, with the lock held and the journal settled.
    virtual int Receive(const ProgressHooks& progress) = 0;
    // The condition (after WHERE) of the sends of the last two months still waiting for results.
    virtual std::string PendingCondition() const = 0;

    void Show(const std::string& text);
    void ReadStoreCode();
    // The local time a day ago, "yyyy-MM-dd HH:mm": sends younger than that are not asked for.
    static std::string DayAgo();

    // One send's reply, applied in one transaction.
    struct Apply {
        int32_t localCode = 0;
        int32_t stateRead = 0;        // the state column as selected (0 pending)
        const char* stateColumn = ""; // ss_result, ss_smms_result
        const char* failColumn = "";  // ss_trfail, ss_smms_fail
        const char* dateColumn = "";  // ss_resultdate, ss_smms_resultdate
        const char* rowFilter = "";   // which of the send's smslist rows are this receipt's
        int mark = 1;                 // the state the send takes: 1 received, 9 cancelled
        bool cancelled = false;       // no items; the send is marked all the same
        bool anyItemMarks = false;    // a well-formed item marks the send even when no row has its phone
        const ResultItems* items = nullptr;
        std::string applyingText;  // progress while the items are written
        std::string lookupFailure; // the rows could not be read
        std::string dbFailure;     // a write failed
        // Members, only by the run whose mark changed the send; false when it failed (shown already).
        std::function<bool(int& changed)> members;
    };
    enum class Applied {
        Written,   // committed: results, members and the send's state
        Nothing,   // nothing of the reply was ours: the send stays pending
        Elsewhere, // another run applied this send meanwhile
        Failed,    // rolled back, shown: the run stops
    };
    Applied ApplySend(const Apply& apply, const ProgressHooks& progress);

    // Member rows: columns mem_code, mem_cel, mem_key4, sl_phone, sl_key, sl_result, then any. A row
    // counts when the member's number, restored, is the number the send went to (a member who changed
    // number since is left alone), and only the first row of a member does. update gives the row's
    // statement up to the end of its condition, "UPDATE member SET ... WHERE cond" (empty: none); the
    // members of one statement are then updated together by " AND mem_code IN (...)". changed grows
    // by the members updated for whose row counts() holds. False when the query or an update failed
    // (shown).
    using Row = std::vector<std::string>;
    bool UpdateMembers(const std::string& query, const std::string& queryFailure,
                       const std::function<std::string(const Row&)>& update,
                       const std::function<bool(const Row&)>& counts, const std::string& updateFailure,
                       const ProgressHooks& progress, int& changed);

    CSQLDirect* m_db;
    int32_t m_mart = 0;
    int32_t m_ssCode;
    ReceiptSummary m_counts;

private:
    int CountPending();

    RunLock m_lock;
    const char* m_lockName;
    std::string m_startLine;
    std::optional<ReceiptSummary> m_summary;
};
