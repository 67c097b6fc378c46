// Who of the checked recipients goes by SMS and who by the free app message, and which members
// count as app users: what the account panel's counts and charge are made of.
#pragma once

#include <string>

#include <QDate>

class RecipientList;

struct TargetCounts {
    int sms = 0;
    int app = 0;
};

// Marks every checked row: by app message when combined send is on and the row is an app user,
// otherwise by SMS; unchecked rows go by neither.
TargetCounts RecountTargets(RecipientList& list, bool combinedSend);

// The oldest app-signal date that still counts, "%Y-%m-%d": today minus days; empty (every date
// counts) for a negative number of days, the "-모바일신호-" entry.
std::string SignalLimitDate(const QDate& today, int days);
// Marks as app users the rows whose app-signal date has at least 10 characters and whose first 10
// are not earlier than limitDate (text comparison). Returns the number marked.
int ApplySignalFilter(RecipientList& list, const std::string& limitDate);
