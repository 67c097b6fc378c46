// An app message as the app-message send leaves it behind: made at the simulated center (begin,
// batches of 100, end) and recorded in the store's history with masked numbers on rows of
// sl_sendtype 1, optionally beside the SMS rows of a combined send to the same members.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class CSQLDirect;

struct AppSend {
    int localCode = 0;
    long long ml = 0;
    int sent = 0;
};

// recipients: member code and number. ageSeconds: how long ago the send was made.
std::optional<AppSend> MakeAppSend(CSQLDirect& db, const std::vector<std::pair<int, std::string>>& recipients,
                                   int ageSeconds, bool withSmsRows = false);

// A row's sl_result, -1 when there is no such row.
int AppRowResult(CSQLDirect& db, int localCode, int seq);
// mem_smmsfail with NULL as -1.
int SmmsFail(CSQLDirect& db, int memberCode);
