// The app-message dialog's rules that need no window: the mobile-signal filter over the member rows,
// the checked count, the body counter, and the manual add's checks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "center/pagehandover.h" // what the pages hand over

class RecipientList;

inline constexpr int kSmmsBodyLimit = 2000;

// Checks exactly the rows whose app-signal date (first 10 characters, 10 long) is not earlier than
// limitDate (text comparison; empty: every dated row), unchecks every other row (hand-added rows have
// no date), and marks the same rows as app users. Returns the number checked.
int ApplySmmsSignalFilter(RecipientList& list, const std::string& limitDate);
int CountChecked(const RecipientList& list);

// The body's length as counted: bytes, a line break (CR LF or LF) being one.
int SmmsBodyBytes(std::string_view cp949);
// "%d/2000"; the counter blinks from 2001 bytes on.
std::string SmmsCounterText(int bytes);
inline bool SmmsBodyOver(int bytes) {
    return bytes > kSmmsBodyLimit;
}

// The manual add's verdict on a typed number (digits only): the message to show, empty when it may be
// added; duplicateRow is the 1-based grid row of the number already listed, else 0.
struct ManualAddVerdict {
    std::string message; // CP949
    int duplicateRow = 0;
    bool ok() const { return message.empty(); }
};
ManualAddVerdict CheckManualAdd(const RecipientList& list, std::string_view digits);
