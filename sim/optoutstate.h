// The simulated opt-out server: the stores' 080 numbers and the refusal requests their callers left.
//
// Requests carry "xmldata=" + URL-encoded Base64 of UTF-8 XML (one line):
//   POST /korvane/auth.php     <AUTH><CRNum>biz no</CRNum><MCode>store</MCode></AUTH>
//        -> <AUTH><Result>1000</Result><Message/><SessionID/><RNumber>080...</RNumber></AUTH>
//           3001 unknown store or business number
//   POST /korvane/request.php <DNC><SessionID/><Type>CALLLIST</Type><DATE>yyyymmdd</DATE><TIME>n</TIME></DNC>
//        -> <DNC><Result>1000</Result><Message/><LIST><DATE>yyyy-mm-dd</DATE><TIME/><CN/><P/></LIST>...</DNC>
//           requests strictly after the given date and time, in the order they came in; 2000 when
//           there is none; 4001 bad session; 4002 another type
//   GET  /korvane/request.php?xmldata=...  (Type WEBPAGE) -> an HTML page listing the store's requests
// A call's fields are kept as given, so a test can make the server send any text (a slashed date, a
// time that is not a number).
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim/formdata.h"

namespace zmsg::sim {

struct RefusalRequest {
    std::string date;         // as sent, normally "YYYY-MM-DD"
    std::string time;         // as sent, normally HHMMSS as a number
    std::string calledNumber; // the store's 080 number when not given
    std::string phone;
};

class OptOutState {
public:
    OptOutState();
    void Reset();
    // body: the raw form body (or query) holding xmldata. Returns the reply XML (UTF-8) or page.
    std::string Auth(const std::string& body);
    std::string CallList(const std::string& body);
    std::string WebPage(const std::string& query);
    void AddRequest(int mart, RefusalRequest request);
    // The control request that adds calls: mart (default 1001), then one call per group of date,
    // time, p and optional cn (the k-th of each name belong together), or count=N calls from date and
    // time one second apart with numbers of their own (p as the first number, optional). Returns an
    // error text, empty on success.
    std::string AddCalls(const FormFields& fields);
    // Stores, sessions, their calls and every call list asked for, as one JSON object.
    std::string ToJson();
    // The request's XML, decoded: also what the request log shows.
    static std::string DecodeXml(const std::string& body);

private:
    struct Account {
        std::string bizNumber;
        std::string number080;
        std::vector<RefusalRequest> requests;
    };
    struct Asked {
        std::string session, date, time;
        int result = 0;
        int sent = 0;
    };
    std::mutex m_mutex;
    std::map<int, Account> m_accounts;
    std::map<std::string, int> m_sessions;
    std::vector<Asked> m_asked;
    int m_nextSession = 1;
};

} // namespace zmsg::sim
