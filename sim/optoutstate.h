// The simulated opt-out server: the stores' 080 numbers and the refusal requests their callers left.
//
// Requests carry "xmldata=" + URL-encoded Base64 of UTF-8 XML (one line):
//   POST /korvane/auth.php     <AUTH><CRNum>biz no</CRNum><MCode>store</MCode></AUTH>
//        -> <AUTH><Result>1000</Result><Message/><SessionID/><RNumber>080...</RNumber></AUTH>
//           3001 unknown store or business number
//   POST /korvane/request.php <DNC><SessionID/><Type>CALLLIST</Type><DATE>yyyymmdd</DATE><TIME>n</TIME></DNC>
//        -> <DNC><Result>1000</Result><Message/><LIST><DATE>yyyy-mm-dd</DATE><TIME/><CN/><P/></LIST>...</DNC>
//           requests strictly after the given date and time; 2000 when there is none; 4001 bad session
//   GET  /korvane/request.php?xmldata=...  (Type WEBPAGE) -> an HTML page listing the requests
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zmsg::sim {

struct RefusalRequest {
    std::string date; // "YYYY-MM-DD"
    int time = 0;     // HHMMSS as a number
    std::string calledNumber;
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
    // The request's XML, decoded: also what the request log shows.
    static std::string DecodeXml(const std::string& body);

private:
    struct Account {
        std::string bizNumber;
        std::string number080;
        std::vector<RefusalRequest> requests;
    };
    std::mutex m_mutex;
    std::map<int, Account> m_accounts;
    std::map<std::string, int> m_sessions;
    int m_nextSession = 1;
};

} // namespace zmsg::sim
