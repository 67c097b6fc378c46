// The message being written, kept in "ZMSG.dat" in the data folder so that a message typed and not
// sent is offered again the next time the dialog opens. CP949, one line, ended by a zero byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QDate>
#include <QDateTime>

// What the dialog puts in and takes back. Texts CP949.
struct SmsDraft {
    int32_t sendResult = 0; // 0 written on closing, 1 after a completed send
    int32_t date = 0;       // yyyymmdd of writing (filled by Load)
    int32_t time = 0;       // hhmmss of writing (filled by Load)
    bool lms = false;
    std::string subject;      // the LMS subject; only kept for LMS
    std::string message;      // editor text
    std::string callback;     // callback field
    std::string optOutNumber; // opt-out number field
};

// "ZMSG.dat" in the data folder (a newer one left in another candidate folder brought there first);
// empty without a data folder.
std::string SmsDraftPath();

// The file's content for a draft written at that local time (values trimmed and escaped as stored).
std::string FormatSmsDraft(const SmsDraft& draft, int32_t sendResult, const QDateTime& when);
// Replaces the file. False when it could not be written (nothing is reported: a draft is a convenience).
bool SaveSmsDraft(const std::string& path, const SmsDraft& draft, int32_t sendResult);
// Reads the file; nullopt when it is missing, unreadable, or does not look like a draft (logged).
std::optional<SmsDraft> LoadSmsDraft(const std::string& path);

// Whether a loaded draft is offered: not for refusal notices, not after a send, not empty, and not
// written before the day three days before today.
bool ShouldOfferDraft(const SmsDraft& draft, int32_t targetType, const QDate& today);
// Marks the kept draft as sent when it holds this message (normalised as a send records it) and, when
// lms is given, of that kind: an earlier send found gone out later is not offered again. False when
// the draft holds another message or could not be written.
bool MarkSmsDraftSent(const std::string& path, std::optional<bool> lms, const std::string& message);
// The question asked before a draft is shown.
std::string DraftQuestion();
