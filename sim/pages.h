// The service center's web pages that the dialogs show: real HTML and JavaScript in UTF-8 with the
// page functions the module calls and the command links that hand values over.
//
//   GET /ZMSG/appSMS.aspx?tab=1..5&pm=TOKEN   the SMS dialog's page tabs: 1 message samples, 2 other
//                                             stores' messages (clicking a sample makes
//                                             jsGetCopyMsg/jsGetCopyTitle return it and navigates to
//                                             an address with "DoCopyMsgToApp"); 3 the store's sends
//                                             with counts, charges, results and reservations; 4 the
//                                             charge history; 5 the price list with a "DoReloadCall"
//                                             link. Tabs 3 to 5 read the store from the token.
//   GET /ZMSG/SelCallback.aspx?mart=N&ts=T    the store's registered callback numbers; the "선택"
//                                             button navigates to "DoCopyCallbackToApp" and
//                                             jsGetCopyCallback returns the checked number ("" when
//                                             none is checked)
//   GET /SMMS/AppSMMS.aspx?page=P&pm=TOKEN    the app-message dialog's pages, for a store with an app
//                                             account: IMGBOX the image box (clicking a picture makes
//                                             jsGetImgBoxInfo return "<BOX>b</BOX><IMG>i</IMG><URL>
//                                             address</URL>" and navigates to "DoUseWebImgBox");
//                                             SENDED the store's completed app messages, OPENMSG
//                                             other stores' (clicking one makes jsGetCopyMsg return
//                                             "<SMMSTITLE>..</SMMSTITLE><SMMSCONTENT>..</SMMSCONTENT>",
//                                             line breaks as "<BR>", and navigates to "DoUseWebCopyMsg")
//
// Requests are recorded, and faults armed, under the verb PAGE.
//
// Like the provider's own pages, they refuse a request whose token is not one the module makes: a
// refusal page without any page function.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/centerstate.h"
#include "sim/formdata.h"

namespace zmsg::sim {

struct PageReply {
    int status = 200;
    std::string html; // UTF-8
};

bool IsCenterPage(const std::string& path);
PageReply CenterPage(const std::string& path, const FormFields& query, const CenterState& center);

// The pm token: two digits of seconds s, then fields multiplied by s + 13, the last four being
// hour (4 digits), year (6), month (4) and day (4). Checks what a server can check without
// knowing the user: digits only, long enough, every date field a multiple of s + 13 that divides
// back to a plausible value.
bool IsWellFormedPageToken(std::string_view pm);
// The callback page's ts: "%S%M%H%d%m", ten digits of a possible time.
bool IsWellFormedCallbackStamp(std::string_view ts);

// What every page is built of (the coupon pages too): text escaped for HTML, a JavaScript string
// literal, the page's head with its script, the refusal page, and the store a token was made for
// (its second field is the store code times the multiplier).
std::string Html(std::string_view text);
std::string Js(std::string_view text);
std::string Head(const char* title, const std::string& script);
PageReply Refusal(const char* reason);
std::optional<int> MartOfToken(std::string_view pm);

} // namespace zmsg::sim
