// The opt-out server: authentication, the call list download and the store's page. Each request is
// one line of XML, sent as "xmldata=" + URL-encoded Base64 of its UTF-8 bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "optout/notice.h"
#include "optout/refusalstore.h"

class CSQLDirect;

// "xmldata=" + EncodeURL(Base64(UTF-8 of the CP949 xml)).
std::string EncodeOptOutBody(std::string_view xml);

// The reply-format texts of the two callers of the authentication (CP949).
std::string AuthFormatTextRefuseList(); // "인증처리 응답형식이 올바르지 않습니다."
std::string AuthFormatTextSmsDialog();  // "인증처리 응답형식오류"

struct OptOutAuth {
    int result = -1;       // 1000 success; the server's code; -1 no answer or an element missing
    std::string sessionId; // empty unless result is 1000
    std::string number080; // the store's 080 number; empty unless result is 1000
    std::string message;   // CP949, what to show on failure; empty on success
};

// Parses an authentication reply (UTF-8, as received). formatText: one of the two texts above.
OptOutAuth ParseAuthReply(std::string_view utf8Reply, const std::string& formatText);
// Posts AUTH for the store and parses the answer. Shows nothing: the caller shows message (the
// refusal list with LogAndShow level 16, the SMS dialog in the message box alone).
OptOutAuth AuthenticateOptOut(const std::string& bizNumber, int storeCode, const std::string& formatText);

// The SMS dialog's rule for taking an answered number: code 1000, at least 10 characters, "080" first.
bool IsAcceptable080Number(int result, const std::string& number);

struct CallListReply {
    int result = -1;                      // the server's code, -1 when none could be read
    std::vector<RefusalRequest> requests; // the usable records of a reply with result 1000
    std::vector<std::string> skipped;     // one log line (CP949) per record left out
    UserNotice failure;                   // set when the reply is not taken (level 16)
};

// Parses a call list reply (UTF-8). A LIST is taken when it holds DATE (8 digits once "-" are
// removed), TIME (digits), CN and P (digits once hyphens and blanks are removed); any other is left
// out on its own and named in skipped.
CallListReply ParseCallListReply(std::string_view utf8Reply);

// The call list request's XML for a start point.
std::string CallListXml(const std::string& sessionId, const StartPoint& from);

struct DownloadOutcome {
    bool ran = false;       // false: no session, nothing was asked
    bool completed = false; // the reply was taken and stored: the list is queried again
    int received = 0;       // usable requests in the reply
    int skipped = 0;        // records left out (logged one by one)
    int firstDay = 0;       // yyyymmdd of the oldest and newest usable request (0: none)
    int lastDay = 0;
    StoreOutcome store; // what storing did
    // What the user is told: the failure; "데이타 수신이 완료되었습니다." with the stored and skipped
    // counts; "추가된 수신거부 요청이 없습니다." (message box only) when the reply held only requests
    // already stored.
    UserNotice notice;
};

// The whole download: start point, CALLLIST, checks, StoreRequests. Shows nothing itself.
DownloadOutcome DownloadRequests(CSQLDirect& db, const std::string& sessionId, int empCode);

// The store's page on the opt-out server; the bare server address without a session.
std::string RefusalPageUrl(const std::string& sessionId);
// Opens that page with OpenBrowser. The failure notice (level 1) when the desktop refused it.
UserNotice OpenRefusalPage(const std::string& sessionId);
