// What a send press does first: every earlier send whose end is unsettled and that could reach the
// same people is settled before a new one may begin, whatever its kind (an SMS press and an
// app-message press settle SMS sends, app messages and the app parts of combined sends alike; a
// coupon press settles coupon issues). The window's own unsettled send that another program settled,
// an end whose reply was lost (asked again with the same end request), an end refused after a lost
// reply (the clerk says, from the center's history, whether it went out), ended sends whose history
// still waits. What a settle finds is its own report: it never becomes the current send's result.
// Each send transaction derives from this and says how its window shows the outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"

class CSQLDirect;

// What makes a send the same send as another: its kind, text, title (an SMS send's LMS subject), its
// picture; a coupon issue's coupon and issue type.
struct SendIdentity {
    SendKind kind = SendKind::Sms;
    bool lms = false;
    std::string message; // normalised as the journal keeps it; a coupon issue: the coupon's code
    std::string title;
    std::string picture;
    int32_t targetType = 0; // a coupon issue: its type
};

// Whether the earlier send is the same send as `now`. An entry of a file written before titles and
// pictures were kept counts as the same when kind and text agree: giving the same paid message twice
// cannot be undone, while a different campaign of byte-identical text is unlikely and the report names
// the rows left out.
bool IsSameSend(const PendingSend& earlier, const SendIdentity& now);

// What settling an earlier send came to, for the window to show apart from its own send.
struct SettledSend {
    PendingSend send;        // the journal's entry: kind, center code, text, recipients
    int32_t localCode = 0;   // its history's ss_code, when written
    int32_t callSent = 0;    // its count, when known
    int32_t allUser = 0;     // an app message's ALL_USER, when the center answered
    bool unrecorded = false; // ended, its history kept back for the next opportunity
    bool same = false;       // it is the send this press was about to make
    bool own = false;        // the window's own earlier send (its press left it unsettled)
};

class EarlierSends {
public:
    EarlierSends(CSQLDirect& db, SendKind kind, const ProgressHooks& progress);
    virtual ~EarlierSends() = default;
    EarlierSends(const EarlierSends&) = delete;
    EarlierSends& operator=(const EarlierSends&) = delete;

    // True when a new send may begin. unsettled: the window's own unsettled send of this press's kind;
    // otherOwn (may be null): the window's own of another kind (the SMS dialog's app part). Both are
    // updated to what the window keeps afterwards.
    bool SettleEarlier(std::optional<PendingSend>& unsettled, std::optional<PendingSend>* otherOwn = nullptr);

    // The send the last settle was about (empty when there was none).
    const std::optional<SettledSend>& Settled() const { return m_settled; }

protected:
    enum class Left { Unresolved, Disputed };

    // The earlier send went out: the press ends here with that report. settled.same says whether it
    // is the send this press was about to make (only then are its rows left out).
    virtual void EarlierSent(const SettledSend& settled, const std::string& headline) = 0;
    // The press ends with the earlier send still unsettled; text (when not empty) was not shown yet.
    virtual void EarlierLeft(Left how, const std::string& text) = 0;
    // The clerk settled the earlier send as not sent: the press ends with this report.
    virtual void EarlierDropped(const std::string& text) = 0;
    // Shows a failure of the press (logged and shown) that does not end it.
    virtual void ShowFailure(const std::string& text) = 0;
    // Shows the clerk's question; returns the button.
    virtual int Ask(const std::string& question) = 0;
    // The send about to be settled (before anything is asked or shown about it).
    virtual void Settling(const PendingSend&) {}
    // The center answered the repeated end of a send of this press's kind as ended (for values
    // beside CALL_SENT).
    virtual void AnsweredEnded(const EndSettlement&) {}
    // Whether the earlier send is the send this press is about to make (IsSameSend against it).
    virtual bool IsCurrentSend(const PendingSend& earlier) const = 0;
    // The unknown end's failure texts of this press's kind, as the send shows them at its own end.
    virtual std::string NoReplyText() const = 0;
    virtual std::string UnusableText(const PendingSend& send, const std::string& reply) const = 0;
    // The history's progress text of the kind.
    virtual std::string RecordingText() const = 0;
    // The caption of the window's button that presses again, as the clerk is told to press it.
    virtual std::string ButtonName() const;

    // Writes the ended send's history now (the clerk says it went out, or the end was answered);
    // a failure is shown and the send waits in the journal.
    RecordOutcome RecordNow(SendState& state, const PendingSend& send, int32_t callSent, bool atSendTime);
    // The rows among `phones` (checked rows' numbers, in order) that the settled send reached.
    static std::vector<size_t> RowsReached(const PendingSend& send, const std::vector<std::string>& phones);

    CSQLDirect& m_earlierDb;
    const SendKind m_kind;
    const ProgressHooks& m_earlierProgress;
    int32_t m_empCode = 0;   // for the clerk's log lines
    int32_t m_storeCode = 0; // only this store's sends are settled (0: any)

private:
    bool SettleOwnElsewhere(SendState& state, std::optional<PendingSend>& own);
    bool ResolveUnknown(SendState& state);
    bool AskClerk(SendState& state, const PendingSend& disputed);
    const PendingSend* FindUnresolved(const SendState& state) const;
    bool Settles(const PendingSend& send) const;
    std::optional<PendingSend>* OwnSlot(const PendingSend& send);
    void Begin(const PendingSend& send);
    void Sent(const PendingSend& send, int32_t callSent, const std::string& headline);
    // The texts of an end left unknown, of this press's kind or of another.
    std::string LeftText(const PendingSend& send, bool unusable, const std::string& reply) const;
    std::string Label(const PendingSend& send) const;

    std::optional<SettledSend> m_settled;
    std::optional<PendingSend>* m_own = nullptr;
    std::optional<PendingSend>* m_otherOwn = nullptr;
};
