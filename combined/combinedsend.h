// The app-message part of a combined send from the SMS dialog: the members who use the app get the
// SMS dialog's message free as an app message (with the dialog's picture), after the SMS part went to
// the others. It runs the app-message send with the SMS part's center code and history row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>

#include "center/send/earliersends.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"
#include "members/recipient.h"
#include "sms/smssend.h"

class CSQLDirect;

struct CombinedAppInput {
    int32_t storeCode = 0;
    std::string storeName; // CP949
    int32_t empCode = 0;
    std::string empName;  // CP949
    std::string lmsTitle; // the LMS subject (CP949), may be empty
    std::string message;  // the editor's text as typed (CP949)
    std::string callbackField;
    std::optional<QDateTime> reservation;
    std::string imagePath; // the picture; empty for none
    std::string header1, header3;
    // The SMS dialog's rows; those checked and assigned to the app take part.
    std::vector<Recipient> rows;
    // The window's own app part whose end an earlier press left unsettled.
    std::optional<PendingSend> ownUnsettled;
    std::function<void()> saveSentDraft;
};

struct CombinedAppResult {
    AppPartResult part;
    int64_t ml = 0;
    std::optional<PendingSend> unsettled; // what the window keeps for its next press
    std::vector<std::string> shown;
};

// The app message's title: the LMS title trimmed, quotes made double; "(광고)" and the store name
// when empty; at most 100 bytes, never splitting a double-byte character.
std::string CombinedTitle(const std::string& lmsTitle, const std::string& storeName);

// What the app part would send, for the SMS press to tell an earlier app part of the same message
// (imagePath as the app part would upload it).
SendIdentity CombinedIdentity(const CombinedAppInput& in);

CombinedAppResult SendCombined(CSQLDirect& db, const CombinedAppInput& in, const SmsPartDone& smsPart,
                               ProgressHooks progress = {});
