// What an opt-out operation tells the user. The operations return it; the dialog shows it once.
#pragma once

#include <string>

struct UserNotice {
    std::string text;  // CP949; empty: nothing to tell
    int logLevel = -1; // -1: the message box alone, not logged; otherwise LogAndShow at this level
    bool empty() const { return text.empty(); }
};

// Shows the notice (logged and shown, or only shown, as it says); nothing for an empty one.
void ShowNotice(const UserNotice& notice);
