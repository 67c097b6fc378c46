// What a send press does first: every earlier send of its kind whose end is unsettled is settled
// before a new one may begin. The window's own unsettled send that another program settled, an end
// whose reply was lost (asked again with the same end request), an end refused after a lost reply
// (the clerk says, from the center's history, whether it went out), ended sends whose history still
// waits. Each send transaction derives from this and says how its window shows the outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"

class CSQLDirect;

class EarlierSends {
public:
    EarlierSends(CSQLDirect& db, SendKind kind, const ProgressHooks& progress);
    virtual ~EarlierSends() = default;
    EarlierSends(const EarlierSends&) = delete;
    EarlierSends& operator=(const EarlierSends&) = delete;

    // True when a new send may begin. unsettled: the window's own unsettled send, updated to what the
    // window keeps afterwards.
    bool SettleEarlier(std::optional<PendingSend>& unsettled);

protected:
    enum class Left { Unresolved, Disputed };

    // The earlier send went out: the press ends here with that report (its rows are not sent again).
    virtual void EarlierSent(const PendingSend& send, int32_t callSent, const std::string& headline) = 0;
    // The press ends with the earlier send still unsettled; text (when not empty) was not shown yet.
    virtual void EarlierLeft(Left how, const std::string& text) = 0;
    // The clerk settled the earlier send as not sent: the press ends with this report.
    virtual void EarlierDropped(const std::string& text) = 0;
    // Shows a failure of the press (logged and shown) that does not end it.
    virtual void ShowFailure(const std::string& text) = 0;
    // Shows the clerk's question; returns the button.
    virtual int Ask(const std::string& question) = 0;
    // The center code of the send being settled, its local code and count when known.
    virtual void Concerned(int64_t centerCode) = 0;
    virtual void Found(int32_t localCode, int32_t callSent) = 0;
    // The history could not be written now (it waits in the journal).
    virtual void KeptUnrecorded() = 0;
    // The center answered the repeated end as ended (for values beside CALL_SENT).
    virtual void AnsweredEnded(const EndSettlement&) {}
    // The unknown end's failure texts, as the send shows them at its own end.
    virtual std::string NoReplyText() const = 0;
    virtual std::string UnusableText(const PendingSend& send, const std::string& reply) const = 0;
    // The history's progress text of the kind.
    virtual std::string RecordingText() const = 0;

    // Writes the ended send's history now (the clerk says it went out, or the end was answered);
    // a failure is shown and the send waits in the journal.
    void RecordNow(SendState& state, const PendingSend& send, int32_t callSent, bool atSendTime);

    CSQLDirect& m_earlierDb;
    const SendKind m_kind;
    const ProgressHooks& m_earlierProgress;
    int32_t m_empCode = 0; // for the clerk's log lines

private:
    bool SettleOwnElsewhere(SendState& state, std::optional<PendingSend>& unsettled);
    bool ResolveUnknown(SendState& state, std::optional<PendingSend>& unsettled);
    bool AskClerk(SendState& state, const PendingSend& disputed, std::optional<PendingSend>& unsettled);
    std::string Label(const PendingSend& send) const;
};
