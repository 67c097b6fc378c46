// Writing a text message: the byte counter against the kind's limit, the advertising templates and
// the rules an advertising message must follow. Texts are CP949; lengths are bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/textscan.h" // NormalizeLineEnds

class QDateTime;
class QWidget;

inline constexpr int kSmsLimit = 90;
inline constexpr int kLmsLimit = 2000;

struct MessageCount {
    int length = 0;
    int limit = kSmsLimit;
    bool over = false;
};
MessageCount CountMessage(std::string_view text, bool lms);
// "%d/%d", length and limit.
std::string CounterText(const MessageCount& count);

struct AdTemplates {
    std::string full;    // LMS: with "☏" before the store phone
    std::string brief;   // SMS
    std::string subject; // LMS subject
};
AdTemplates MakeAdTemplates(const std::string& storeName, const std::string& storePhone,
                            const std::string& optOutNumber);
// Swaps an untouched template (or fills an empty text) for the kind's own, and fills an empty LMS
// subject; a text the user changed is left alone.
void ApplyAdTemplate(bool lms, const AdTemplates& templates, std::string& text, std::string& subject);

// The notice to a member whose refusal was carried out; "{요청일}" is filled per recipient.
std::string RefusalNotice(const std::string& storeName);

struct AdRuleInput {
    bool lms = false;
    std::string subject;
    std::string message;
    std::string storeName;
    std::string storePhone;
    std::string optOutNumber;
};
// The advertising rules, asked one by one (Yes goes on, No stops). True when sending may go on.
// A rule whose required text is empty counts as not met: an empty opt-out number must not pass.
bool CheckAdRules(const AdRuleInput& input, QWidget* parent = nullptr);

// Advertising that reaches phones between 21:00 and 08:00 needs the recipients' separate consent.
// True for a time inside that window (21:00 included, 08:00 not).
bool IsNightTime(const QDateTime& when);
// A message (or its title) that begins with "(광고)" is advertising.
bool IsAdvertising(std::string_view message, std::string_view subject = {});
// The question asked before such a message goes out at night; when is the send or reservation time.
std::string NightAdQuestion(const QDateTime& when);
// The night-time check of every advertising send (text messages and app messages alike): when the
// message is advertising and goes out, now or at its reservation, inside the night window, asks the
// question (No is the default) and logs it with the answer. True when sending may go on. Notices that
// are not advertising (the refusal notices) never reach it.
bool CheckNightAdvertising(std::string_view message, std::string_view subject,
                           const std::optional<QDateTime>& reservation, QWidget* parent = nullptr);

// Byte search that only matches at character starts, so the trail byte of a Korean character
// never begins a match.
bool ContainsText(std::string_view text, std::string_view part);

// What the user is told when text a message cannot carry was refused: the characters named by their
// code points (CP949 cannot show them). badChars are UTF-8.
std::string UnencodableText(const std::vector<std::string>& badChars);

// The message as it is sent: trailing blanks removed, CR LF turned into LF and every single quote
// turned into a double quote (the center and the history table take it that way).
std::string NormalizeMessage(std::string_view text);
