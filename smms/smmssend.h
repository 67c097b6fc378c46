// One app-message send, without a window: the checks, the center transaction (begin, the picture,
// recipient batches, end), the local history and the report. The dialog fills the input from its
// controls, runs the transaction and applies the result (focus and caret, close or stay).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>

#include "center/send/earliersends.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"

class CSQLDirect;
struct SmmsSendResult;

// One row of the dialog's member list, as the send reads it.
struct SmmsRow {
    bool checked = true; // the row is a recipient
    int32_t code = 0;    // member code (0 for a number added by hand)
    std::string phone;   // digits only, as the list shows it
    std::string name;    // the name cell (column 1), CP949
    std::string points;  // the points cell (column 3), CP949
};

struct SmmsSendInput {
    int32_t storeCode = 0;
    int32_t empCode = 0;
    std::string empName;     // CP949
    bool allMembers = false; // every member the center knows as a regular of the store
    int mobileDays = -1;     // the mobile-signal period m; -1 when none is chosen
    std::string title;       // as typed (CP949)
    std::string body;        // as typed (CP949), line ends "\n"
    std::string callbackField;
    std::optional<QDateTime> popup; // the popup reservation, when chosen
    std::string imagePath;          // the picture to upload; empty for none or an image-box picture
    int32_t imageBox = 0;           // the center's image box number of a chosen image-box picture
    int32_t imageNumber = 0;        // the center's image number of that picture
    // Texts of the list's header cells of columns 1 and 3: "{text}" in the body is a merge field.
    std::string header1, header3;
    // The list's rows in order; the checked ones are sent. Indexes in the result refer to this vector.
    std::vector<SmmsRow> rows;

    // Set for the app part of a combined send from the SMS dialog: the begin names the SMS part's
    // center code, the history joins the SMS part's row, the SMS dialog's checks stand for this
    // send's own and the caller reports the whole send (nothing is shown on success).
    struct Combined {
        int32_t smsCenterCode = 0; // SS of the SMS part; 0 when it sent nothing
        int32_t joinCode = 0;      // ss_code of the SMS part's history row; 0 when it wrote none
    };
    std::optional<Combined> combined;

    // Writes the dialog's draft marked as sent, right after the center completed the send.
    std::function<void()> saveSentDraft;
    // The advertising checks the dialog asks (night-time advertising); false ends the send silently.
    std::function<bool()> adRules;
    // The window's own send whose end was left unsettled by an earlier press (the result's
    // `unsettled`). When the journal no longer holds it, another program settled it: the press finds
    // out how before anything else, so its recipients are not sent to again.
    std::optional<PendingSend> ownUnsettled;
    // Called with the result so far right before a success report is shown.
    std::function<void(const SmmsSendResult&)> beforeReport;
};

enum class SmmsSendOutcome {
    Refused,           // a check failed (or was declined); nothing was sent
    Failed,            // the center did not complete the message; nobody received it
    Unresolved,        // the end's outcome is unknown: kept and asked again before the next send
    Disputed,          // the end was refused after a lost reply: kept until the clerk, having looked at
                       // the center's sent messages, settles it at a later press
    PreviousCompleted, // the unresolved earlier message turned out to be completed: recorded, reported
    PreviousDropped,   // the clerk settled the disputed earlier message as not sent: nothing else done
    Sent,              // completed now: the dialog closes
};

struct SmmsSendResult {
    SmmsSendOutcome outcome = SmmsSendOutcome::Refused;
    int focus = 0;                // control that gets the focus after a failed check (0 none)
    int caret = -1;               // with a tag check: CP949 byte offset of the caret in that text
    int64_t ml = 0;               // the center's message number of the send handled
    int32_t localCode = 0;        // the history's ss_code; 0 when not written now
    int32_t callSent = 0;         // CALL_SENT of the end reply
    int32_t allUser = 0;          // ALL_USER: members reached only through the all-members option
    bool unrecorded = false;      // completed at the center, history kept back for the next opportunity
    std::vector<size_t> rowsSent; // rows the completed message went to
    // Rows an earlier send of the same message, found gone out by the settle, reached: left out.
    std::vector<size_t> rowsReached;
    std::vector<std::string> shown; // every message shown, in order (CP949)
    // A send whose end is still unsettled after this press (the window keeps it for the next press).
    std::optional<PendingSend> unsettled;
    // What settling an earlier send found, reported on its own (never this press's codes or rows).
    std::optional<SettledSend> settled;
};

// The picture's identity as the journal keeps it: the digest of the file's bytes, the center's image
// box and number, or empty for none.
std::string PictureIdentity(const std::string& imagePath, int32_t imageBox, int32_t imageNumber);

class SmmsSendTransaction : private EarlierSends {
public:
    static constexpr int kBatchSize = 100;

    SmmsSendTransaction(CSQLDirect& db, SmmsSendInput input, ProgressHooks progress = {});
    SmmsSendResult Run();

private:
    bool Check();
    bool CheckCombined();
    bool CenterSend();
    bool Upload(int64_t ml);

    // How this window shows what settling an earlier message came to.
    void EarlierSent(const SettledSend& settled, const std::string& headline) override;
    void EarlierLeft(Left how, const std::string& text) override;
    void EarlierDropped(const std::string& text) override;
    void ShowFailure(const std::string& text) override;
    int Ask(const std::string& question) override;
    bool IsCurrentSend(const PendingSend& earlier) const override;
    std::string NoReplyText() const override;
    std::string UnusableText(const PendingSend& send, const std::string& reply) const override;
    std::string RecordingText() const override;
    std::string ButtonName() const override;

    void Refuse(const std::string& text, int focus = 0, int caret = -1);
    void Fail(const std::string& text);
    void Report(const std::string& text);

    CSQLDirect& m_db;
    SmmsSendInput m_in;
    ProgressHooks m_progress;
    SmmsSendResult m_result;
    std::string m_title;    // normalised
    std::string m_body;     // normalised
    std::string m_callback; // digits
    std::string m_pop;      // "YYYY-MM-DD HH:MM" or empty
    std::string m_picture;  // PictureIdentity of the picture
    bool m_useName = false;
    bool m_usePoints = false;
    int m_checked = 0;
};
