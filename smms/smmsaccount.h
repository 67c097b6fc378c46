// The store's values and its app-message account at the center, read when the app-message dialog
// opens. No widgets here; every failure is told to the user by these functions.
#pragma once

#include <cstdint>
#include <string>

class CSQLDirect;
class QWidget;

// Texts CP949.
struct SmmsAccount {
    int32_t storeCode = 0;
    std::string storeName;
    std::string employeeName;
    std::string employeeMobile;
    std::string storePhone; // the callback field's first value
    int32_t callsNow = 0;   // the center's CALL_NOW
    std::string callback;   // the center's last callback number, trimmed; may be empty
};

enum class SmmsAccountFetch {
    Ok,
    NoAccount, // the store has no account: the dialog closes at once
    Failed,    // the reason was logged and shown
};

// Reads the store's code and name, the employee's name and mobile, the store's phone (a statement
// that fails or finds nothing leaves its value as it was), then asks the app-message center for the
// account (MARTINFO). When the center's callback differs from the store's phone the user is told
// which one the window shows.
SmmsAccountFetch InitSmmsAccount(CSQLDirect& db, int32_t empCode, SmmsAccount& account,
                                 QWidget* parent = nullptr);

// The callback warning's text, empty when the center's number is empty or equal to the shown one.
std::string CallbackMismatchText(const std::string& centerCallback, const std::string& shownDigits);
