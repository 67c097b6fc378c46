// The app message being written, kept in "ZSMMS.dat" in the data folder so that a message not sent is
// offered again the next time the app-message dialog opens. CP949, one line, ended by a zero byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QDate>
#include <QDateTime>

#include "center/send/sendstate.h"

// What the dialog puts in and takes back. Texts CP949.
struct SmmsDraft {
    int32_t sendSuccess = 0;     // 1 after a completed send, 0 when closed without sending
    int32_t date = 0;            // yyyymmdd of writing (filled by Load)
    int32_t time = 0;            // hhmmss of writing (filled by Load)
    int32_t centerCode = 0;      // the dialog's center send number (0: the window keeps none)
    int32_t localCode = 0;       // ss_code of the window's recorded send, 0 before one
    std::string title;           // title edit
    std::string message;         // body edit
    std::string imagePath;       // the chosen local picture, empty for none or an image-box picture
    int32_t centerImageBox = 0;  // image-box number of a picture taken from the center, else 0
    int32_t centerImageCode = 0; // its image number, else 0
    std::string callback;        // callback edit
    bool allUser = false;        // "send to every app member the center knows"
};

// "ZSMMS.dat" in the data folder (a newer one left in another candidate folder brought there first);
// empty without a data folder.
std::string SmmsDraftPath();

// The file's text (without the zero byte) for a draft written at that local time: title with trailing
// blanks removed, message too with its line breaks escaped, callback trimmed.
std::string FormatSmmsDraft(const SmmsDraft& draft, int32_t sendSuccess, const QDateTime& when);
// Replaces the file. False when it could not be written (nothing is reported: a draft is a convenience).
bool SaveSmmsDraft(const std::string& path, const SmmsDraft& draft, int32_t sendSuccess);
// Reads the file; nullopt when it is missing, unreadable, or does not look like this draft (logged).
// The message comes back with its line breaks; image and send numbers are read too, for the record.
std::optional<SmmsDraft> LoadSmmsDraft(const std::string& path);

// Marks the kept draft as sent when it holds the app message of this journal entry (its text and, when
// the entry kept it, its title): a message found gone out later is not offered again. False when the
// draft holds another message or could not be written.
bool MarkSmmsDraftSent(const std::string& path, const PendingSend& send);
// An earlier send found gone out: the draft that holds its message (the SMS dialog's for an SMS send
// or a combined send's app part, the app-message dialog's for an app message) is marked sent.
void MarkDraftsSent(const PendingSend& send);
// Whether a loaded draft is offered: not after a send, not with an empty message, and not written
// before the day three days before today.
bool ShouldOfferSmmsDraft(const SmmsDraft& draft, const QDate& today);
// The question asked before a draft is shown, and the warning shown whenever the draft has the
// all-members option on.
std::string SmmsDraftQuestion();
std::string AllUserWarning();
