// Loading the recipients the host named (codes and/or a condition) from the store database, for the
// SMS dialog and, as its app-message variant, for the app-message dialog's members.
#pragma once

#include <string>
#include <vector>

#include "frame/progresshooks.h"
#include "members/recipientlist.h"

class CSQLDirect;

enum class RecipientLoadVariant {
    Sms,        // the SMS dialog's rows, by target type
    AppMessage, // members for an app message: no last visit, any number form, only members with an
                // app-signal date (the others are counted as not using the app)
    Coupon,     // members for a coupon issue: as AppMessage, with the business name as its own column
                // (text4), refusal of advertising ignored, every row listed checked
};

struct RecipientLoadRequest {
    int targetType = 0;    // 0 members, 1 employees, 2 suppliers, 3 members who refused
    std::string codeList;  // comma-separated codes, CP949; may be empty
    std::string condition; // the host's own SQL term beginning with "AND"; may be empty
    RecipientLoadVariant variant = RecipientLoadVariant::Sms; // AppMessage and Coupon load members
};

struct RecipientLoadSummary {
    int total = 0;     // rows read
    int skipped = 0;   // refused (type 0) or not refused (type 3)
    int threeFail = 0; // listed unchecked
    int badFormat = 0;
    int duplicate = 0;
    int noApp = 0;       // app-message variant: members who never signalled from the app
    bool failed = false; // a statement failed; its message was shown and the load stopped
    int added() const { return total - skipped - threeFail - badFormat - duplicate - noApp; }
};

// Empties the list and loads, its progress shown through the hooks (hidden again at the end). A failed
// statement shows its message ("회원데이터를 참조할 수 없습니다!" and the like) and ends the load; rows added
// before stay.
RecipientLoadSummary LoadRecipients(CSQLDirect& db, const RecipientLoadRequest& request, RecipientList& list,
                                    const ProgressHooks& progress = {});
// The statements a load runs, in order: codes go in batches ("mem_code IN (...)") when the condition
// only narrows each code's rows, one statement per code otherwise; codes that are not numbers are left out.
std::vector<std::string> RecipientLoadStatements(const RecipientLoadRequest& request);
// The one message after a load ("총 %s건중 ..."), or empty when every row was added.
std::string LoadSummaryMessage(const RecipientLoadSummary& summary, int targetType);
// The same for the app-message and coupon variants (their own wording, the "AlderS 미접속" line).
std::string AppLoadSummaryMessage(const RecipientLoadSummary& summary);
