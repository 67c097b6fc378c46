// One coupon issue, without a window: the checks, the center transaction (open the issue, the chosen
// members' phones in batches, close it) and the report. The dialog fills the input from its controls,
// runs the transaction and applies the result (page to show, close or stay).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "center/send/earliersends.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"

class CSQLDirect;

// One row of the dialog's member grid, as the issue reads it.
struct CouponRow {
    bool checked = true; // the member receives the coupon
    int32_t code = 0;    // member code
    std::string phone;   // digits only, as the grid shows it
};

struct CouponIssueInput {
    int32_t storeCode = 0;
    int32_t empCode = 0;
    int32_t coupon = 0;      // the chosen coupon; 0 when none is chosen
    bool allMembers = false; // "전체 회원": every member who chose the store as their regular store
    std::vector<CouponRow> rows;
    // The window's own issue whose end an earlier press left unsettled (the result's `unsettled`).
    std::optional<PendingSend> ownUnsettled;
    // The latest earlier issue this window found ended by a settle: a repeat of its coupon where
    // every regular member is concerned asks first.
    std::optional<PendingSend> issuedBefore;
};

enum class CouponIssueOutcome {
    Refused,           // a check failed; nothing went to the center
    Failed,            // the center did not end the issue; nobody received the coupon
    Unresolved,        // the end's outcome is unknown: kept, and asked again before any new issue
    Disputed,          // the end was refused after a lost reply: kept until the clerk settles it
    PreviousCompleted, // the earlier unsettled issue turned out to be ended: reported, nothing issued
    PreviousDropped,   // the clerk settled the earlier issue as not ended: nothing else done
    Issued,            // ended now: the dialog closes
};

struct CouponIssueResult {
    CouponIssueOutcome outcome = CouponIssueOutcome::Refused;
    int page = 0;           // after a failed check: the dialog's page to show (1 or 2)
    int32_t issue = 0;      // the center's issue code of the issue handled
    int32_t phonesSent = 0; // phones handed to the center by this press's batches
    // Rows an earlier issue of the same coupon, found ended by the settle, reached: to be unticked.
    std::vector<size_t> rowsReached;
    std::vector<std::string> shown; // every message shown, in order (CP949)
    std::optional<PendingSend> unsettled;
    // What settling an earlier issue found, reported on its own (never this press's issue).
    std::optional<SettledSend> settled;
};

class CouponIssueTransaction : private EarlierSends {
public:
    static constexpr int kBatchSize = 100;
    static constexpr const char* kPath = "/CouponIssue/AppRequest.ashx";

    CouponIssueTransaction(CSQLDirect& db, CouponIssueInput input, ProgressHooks progress = {});
    CouponIssueResult Run();

    // What the dialog says about an issue whose end is still unsettled: which coupon, how many
    // members, when, and what the next press does. CP949.
    static std::string PendingIssueText(const PendingSend& issue);

private:
    bool Check();
    bool AskRepeat();
    void CenterIssue();

    void EarlierSent(const SettledSend& settled, const std::string& headline) override;
    void EarlierLeft(Left how, const std::string& text) override;
    void EarlierDropped(const std::string& text) override;
    void ShowFailure(const std::string& text) override;
    int Ask(const std::string& question) override;
    void Settling(const PendingSend& send) override;
    bool IsCurrentSend(const PendingSend& earlier) const override;
    std::string NoReplyText() const override;
    std::string UnusableText(const PendingSend& send, const std::string& reply) const override;
    std::string RecordingText() const override;
    std::string ButtonName() const override;

    void Refuse(const std::string& text, int page);
    void Fail(const std::string& text);
    void Report(const std::string& text);

    CSQLDirect& m_db;
    CouponIssueInput m_in;
    ProgressHooks m_progress;
    CouponIssueResult m_result;
    int m_checked = 0;
    std::optional<PendingSend> m_concerned; // the earlier issue being settled
};
