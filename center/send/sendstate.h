// Sends the center knows about and the store database does not (yet): an end whose reply never
// arrived, and ended sends whose history rows could not be written. Kept in a small file in the data
// folder (center/send/journalplace.h) so that neither a failed request, a database failure nor the end of the
// process loses them. SMS sends, app messages and (later) coupon issues share the file; each entry says which
// it is.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "center/send/journalplace.h"

struct SentRecipient {
    int32_t ref = 0;   // member, employee or supplier code; 0 for numbers added by hand
    std::string phone; // as handed to the center (digits)
};

// What the center carried: its end request and its history differ by kind.
enum class SendKind : char {
    Sms = 'S', // SMS/LMS: SMSEND, center code SS
    App = 'A', // app message: SMMSEND, center code ML (64-bit)
    // Coupon issue: ISSUEEND, center code the issue code. The store keeps no table of issues: the
    // entry is all it has of an issue whose end is unknown.
    Coupon = 'C',
};

// Everything needed to ask the center again about the send's end and to write its smssend and
// smslist rows later.
struct PendingSend {
    enum class Phase : char {
        Unknown = 'U',    // the end was posted and no usable reply came back: it may have gone out
        Unrecorded = 'R', // the center ended it; the history rows are still to be written
        // The end was refused after a reply had been lost: the refusal may mean "already ended", so
        // only the clerk, looking at the center's sending history, can say whether it went out.
        Disputed = 'D',
    };
    Phase phase = Phase::Unknown;
    SendKind kind = SendKind::Sms;
    int64_t centerCode = 0; // SS of an SMS send, ML of an app message
    int32_t storeCode = 0;
    bool lms = false;
    int32_t empCode = 0;
    int32_t targetType = 0;  // a coupon issue: its type (1 all regular members, 2 the chosen ones)
    int32_t callSent = 0;    // known once ended
    std::string reservation; // "YYYY-MM-DD HH:MM", empty without reservation
    std::string callback;    // digits
    std::string message;     // as recorded (normalised); a coupon issue: the coupon's code
    // What makes two sends of the same text different messages: an SMS send's LMS subject or an app
    // message's title, and the app message's picture ("sha256:" and the uploaded file's digest,
    // "box:" and the center's image box and number, empty for none). Entries of files written before
    // they were kept lack both (identityKnown false).
    std::string title;
    std::string picture;
    bool identityKnown = true;
    std::string sentAt; // local "YYYY-MM-DD HH:MM:SS" when the send began; the history's time
                        // when it is written later (empty in files written before it was kept)
    std::string reason; // Disputed: the center's refusal, as shown
    // App messages: the end's all-members flag and mobile-signal period, and its ALL_USER once ended.
    bool allMembers = false;
    int32_t mobileDays = -1;
    int32_t allUser = 0;
    // The app part of a combined send from the SMS dialog: its end names no all-members option, and
    // its history joins the SMS part's smssend row (joinCode, 0 when that part wrote none).
    bool combined = false;
    int32_t joinCode = 0;
    std::vector<SentRecipient> recipients;
};

class SendState {
public:
    explicit SendState(std::string path);
    ~SendState();
    SendState(const SendState&) = delete;
    SendState& operator=(const SendState&) = delete;

    // Reads the file. A file that is damaged or not ours is moved aside (".bad") and logged, never
    // trusted. When the last write of this path failed, the copy this process kept is used instead.
    void Load();
    // Writes every entry (removes the file when there is none), atomically. False when the file could
    // not be written: the process then keeps the entries in memory and the next Load uses them.
    // Processes sharing the host folder share the file: under a lock, what another one put into it
    // since this one read it stays, and entries this one only read follow the file.
    bool Save();
    // Save in two steps, for a large state written while a reply is waited for: Prepare writes every
    // entry to a file of its own and syncs it; Commit puts that file in place (as Save would have, and
    // by Save when Prepare could not write); Discard drops it, leaving the file as it was. Nothing may
    // use this object while Prepare runs on another thread.
    void Prepare();
    bool Commit();
    void Discard();

    const std::vector<PendingSend>& sends() const { return m_sends; }
    // The send of that kind whose end is unresolved (unknown or disputed), or null. There is at most
    // one of a kind: none is begun while it lasts.
    const PendingSend* FindUnknown(SendKind kind = SendKind::Sms) const;
    // The entry of that kind with this center code, or null.
    const PendingSend* Find(int64_t centerCode, SendKind kind = SendKind::Sms) const;
    // Adds the send or replaces the entry of the same kind and center code.
    void Put(PendingSend send);
    void Remove(int64_t centerCode, SendKind kind = SendKind::Sms);
    bool empty() const { return m_sends.empty(); }

    const std::string& path() const { return m_path; }

    // The text of the file for these entries, and its reading (false for anything not well formed).
    static std::string Serialize(const std::vector<PendingSend>& sends);
    static bool Parse(const std::string& text, std::vector<PendingSend>& sends);

    // Whether a journal is at path: its file, or the copy this process kept after a failed write.
    static bool Exists(const std::string& path);
    // Moves every entry of the journal at from into the one at into (an entry into already holds stays
    // as it is there), under both files' locks, and removes from. False when either cannot be read or
    // into cannot be written; from is then left as it was, or (when only its removal failed) in both.
    static bool Move(const std::string& from, const std::string& into);

private:
    // The entries at path: this process's copy when it keeps one, else the file's (none when it is
    // missing; a damaged one is moved aside). False when the file cannot be read.
    static bool Current(const std::string& path, std::vector<PendingSend>& sends);
    // Forgets the copy kept in memory once the file holds the entries, keeps one when it does not.
    bool Settle(bool written);
    std::string PreparedPath() const;
    void RemoveStalePrepared() const;
    // This object's entries over the file's: the entries it put or removed are its own, every other
    // entry is as the file now holds it. False when the file could not be read.
    bool MergeWithFile(std::vector<PendingSend>& merged) const;
    // The file's entries this object did not put or remove. False when the file could not be read.
    bool ReadOthers(std::vector<PendingSend>& others) const;
    bool Owns(SendKind kind, int64_t centerCode) const;

    std::string m_path;
    std::vector<PendingSend> m_sends;
    bool m_prepared = false;                         // the prepared file holds m_sends, synced
    std::vector<std::pair<SendKind, int64_t>> m_own; // entries put or removed since Load
};
