// One SMS/LMS send, without a window: the checks, the center transaction (begin, recipient batches,
// end), the local history and the report. The dialog fills the input from its controls, runs the
// transaction and applies the result (rows to remove, balance, result send code, close or stay).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>

#include "center/send/earliersends.h"
#include "center/send/sendstate.h"
#include "compose/smsdraft.h"
#include "frame/progresshooks.h"
#include "members/recipient.h"
#include "sms/account.h"

class CSQLDirect;
struct SmsSendResult;

// What the SMS part of a send left for the app part of a combined send.
struct SmsPartDone {
    int32_t centerCode = 0; // SS; 0 when the SMS part sent nothing
    int32_t localCode = 0;  // ss_code of the history row it wrote; 0 when none
};

// What the app part of a combined send came to.
struct AppPartResult {
    int sent = 0;                 // CALL_SENT; negative when the app part failed or is unsettled
    std::vector<size_t> rowsSent; // rows (indexes of the input's rows) the app message went to
    bool earlier = false;         // an earlier app part turned out to have gone out; nothing new sent
    bool unknown = false;         // the app part's end is unsettled: the next press asks it first
};

struct SmsSendInput {
    int32_t empCode = 0;
    int32_t targetType = 0; // 0 members, 1 employees, 2 suppliers, 3 refusal notices
    SmsAccount account;     // store code, pay type, prices, balance, advert room, center phone
    int batchSize = 100;    // "BindOnce", 10..1000
    bool lms = false;
    std::string subject;       // LMS subject (CP949)
    std::string message;       // editor text as typed (CP949)
    std::string callbackField; // callback field as typed
    std::string
        bareTemplate; // the untouched advertising template of the kind: a message equal to it is empty
    std::optional<QDateTime> reservation;
    // Texts of the list's header cells of columns 1, 3 and 4: "{text}" in the message is a merge field.
    std::string header1, header3, header4;
    // The list's rows in order; rows checked and marked for SMS are sent, those for the app message
    // go to the combined send. Indexes in the result refer to this vector.
    std::vector<Recipient> rows;
    // The dialog's fields, written to the draft file with "sent" once the center confirmed the send.
    SmsDraft draft;

    // The question about badly formed numbers among the checked rows; false ends the send silently.
    std::function<bool()> phoneFormats;
    // The advertising checks the dialog asks (opt-out number, rules); false ends the send silently.
    std::function<bool()> adRules;
    // The combined app-message send for the rows marked for the app, run after the SMS part with
    // what that part left. Unset: there is nothing to send by app.
    std::function<AppPartResult(const SmsPartDone&)> combinedSend;
    // The window's own send whose end was left unsettled by an earlier press (the result's
    // `unsettled`). When the journal no longer holds it, another program settled it: the press finds
    // out how before anything else, so its recipients are not sent to again.
    std::optional<PendingSend> ownUnsettled;
    // The same for the window's app part of a combined send (whether or not this press sends one):
    // an SMS press asks about it first as well.
    std::optional<PendingSend> ownAppUnsettled;
    // What the app part of this press would send (set when the combined send is on): an earlier app
    // part found gone out is the same send only when it agrees with this.
    std::optional<SendIdentity> appPart;
    // Called with an earlier send that a settle found gone out (the window marks its drafts).
    std::function<void(const PendingSend&)> settledSent;
    // Called with the result so far right before a success report is shown: the window shows what the
    // send changed (rows gone, balance, counts) before the clerk reads the report.
    std::function<void(const SmsSendResult&)> beforeReport;
};

enum class SmsSendOutcome {
    Refused,           // a check failed (or was declined); nothing was sent
    Failed,            // the center did not take the send; nothing was charged
    Unresolved,        // the end's outcome is unknown: kept and asked again before the next send
    Disputed,          // the end was refused after a lost reply: kept until the clerk, having looked at
                       // the center's sending history, settles it at a later press
    PreviousCompleted, // the unresolved earlier send turned out to be ended: recorded, its rows removed
    PreviousDropped,   // the clerk settled the disputed earlier send as not sent: nothing else was done
    Sent,              // sent now: the dialog closes
    Reserved,          // sent for later: the dialog stays open for the next message
    AppFailed,         // the SMS part (if any) is done, the app messages failed: the dialog stays open
};

struct SmsSendResult {
    SmsSendOutcome outcome = SmsSendOutcome::Refused;
    int focus = 0;                 // control that gets the focus after a failed check (0 none)
    int32_t centerCode = 0;        // SS of this press's send
    int32_t callSent = 0;          // CALL_SENT of this press's end reply
    int32_t localCode = 0;         // this press's history ss_code ("result send code"); 0 when none
    bool unrecorded = false;       // ended at the center, history kept back for the next opportunity
    std::optional<double> balance; // the center's new balance, when it answered the end
    std::vector<size_t> rowsToRemove;
    std::vector<std::string> shown; // every message shown, in order (CP949)
    int appSent = 0;
    // A send whose end is still unsettled after this press (the window keeps it for the next press).
    std::optional<PendingSend> unsettled;
    std::optional<PendingSend> appUnsettled; // the same for the window's app part
    // What settling an earlier send found, reported on its own (never this press's codes or rows).
    std::optional<SettledSend> settled;
};

class SmsSendTransaction : private EarlierSends {
public:
    SmsSendTransaction(CSQLDirect& db, SmsSendInput input, ProgressHooks progress = {});
    SmsSendResult Run();

private:
    bool Check();
    // The center part; false when the send ends there (the result says why).
    bool CenterSend();
    // How this window shows what settling an earlier send came to.
    void EarlierSent(const SettledSend& settled, const std::string& headline) override;
    void EarlierLeft(Left how, const std::string& text) override;
    void EarlierDropped(const std::string& text) override;
    void ShowFailure(const std::string& text) override;
    int Ask(const std::string& question) override;
    void AnsweredEnded(const EndSettlement& s) override;
    bool IsCurrentSend(const PendingSend& earlier) const override;
    std::string NoReplyText() const override;
    std::string UnusableText(const PendingSend& send, const std::string& reply) const override;
    std::string RecordingText() const override;
    std::string EndFailureText(const std::string& label, const std::string& reply) const;
    void Record(SendState& state, int32_t centerCode, int32_t callSent, bool atSendTime);
    void Finish();

    void Refuse(const std::string& text, int focus = 0);
    void Fail(const std::string& text);
    void Report(const std::string& text);

    bool IsSmsRow(const Recipient& r) const { return r.checked && r.bySms; }

    CSQLDirect& m_db;
    SmsSendInput m_in;
    ProgressHooks m_progress;
    SmsSendResult m_result;
    std::string m_label;    // "SMS" / "LMS"
    std::string m_message;  // normalised
    std::string m_callback; // digits
    bool m_merge = false;
    int m_smsCount = 0;
    int m_appCount = 0;
};
