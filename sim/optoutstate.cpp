#include "sim/optoutstate.h"

#include <cstdlib>

#include "sim/formdata.h"

namespace zmsg::sim {

namespace {
std::string Tag(const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
}

std::string Reply(const char* root, int result, const std::string& message, const std::string& more = {}) {
    return std::string("<") + root + ">" + Tag("Result", std::to_string(result)) + Tag("Message", message) +
           more + "</" + root + ">";
}

long long DayOf(const std::string& date) {
    std::string digits;
    for (char c : date)
        if (c >= '0' && c <= '9')
            digits += c;
    return std::atoll(digits.c_str());
}
} // namespace

OptOutState::OptOutState() {
    Reset();
}

void OptOutState::Reset() {
    std::lock_guard lock(m_mutex);
    m_accounts.clear();
    m_sessions.clear();
    m_nextSession = 1;
    m_accounts[1001] = {"02-1234-5678",
                        "0807001001",
                        {{"2025-03-02", 93015, "0807001001", "01012340001"},
                         {"2025-03-02", 141500, "0807001001", "01055550002"},
                         {"2025-03-05", 80101, "0807001001", "01099990003"}}};
    m_accounts[1002] = {"123-45-67890", "0807001002", {}};
}

std::string OptOutState::DecodeXml(const std::string& body) {
    return Base64Decode(FieldOf(ParseForm(body), "xmldata"));
}

std::string OptOutState::Auth(const std::string& body) {
    const std::string xml = DecodeXml(body);
    std::lock_guard lock(m_mutex);
    const int mart = std::atoi(ElementOf(xml, "MCode").c_str());
    const auto it = m_accounts.find(mart);
    if (it == m_accounts.end() || it->second.bizNumber != ElementOf(xml, "CRNum"))
        return Reply("AUTH", 3001, "등록되지 않은 점포이거나 사업자번호가 다릅니다.");
    const std::string session = "S" + std::to_string(mart) + "-" + std::to_string(m_nextSession++);
    m_sessions[session] = mart;
    return Reply("AUTH", 1000, "정상처리", Tag("SessionID", session) + Tag("RNumber", it->second.number080));
}

std::string OptOutState::CallList(const std::string& body) {
    const std::string xml = DecodeXml(body);
    std::lock_guard lock(m_mutex);
    const auto s = m_sessions.find(ElementOf(xml, "SessionID"));
    if (s == m_sessions.end())
        return Reply("DNC", 4001, "세션이 유효하지 않습니다.");
    if (ElementOf(xml, "Type") != "CALLLIST")
        return Reply("DNC", 4002, "알 수 없는 요청입니다.");
    const long long day = DayOf(ElementOf(xml, "DATE"));
    const int time = std::atoi(ElementOf(xml, "TIME").c_str());
    std::string lists;
    for (const RefusalRequest& r : m_accounts[s->second].requests) {
        const long long d = DayOf(r.date);
        if (d < day || (d == day && r.time <= time))
            continue;
        lists += "<LIST>" + Tag("DATE", r.date) + Tag("TIME", std::to_string(r.time)) +
                 Tag("CN", r.calledNumber) + Tag("P", r.phone) + "</LIST>";
    }
    if (lists.empty())
        return Reply("DNC", 2000, "추가된 수신거부 요청이 없습니다.");
    return Reply("DNC", 1000, "정상처리", lists);
}

std::string OptOutState::WebPage(const std::string& query) {
    const std::string xml = DecodeXml(query);
    std::lock_guard lock(m_mutex);
    const auto s = m_sessions.find(ElementOf(xml, "SessionID"));
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>080 수신거부</title></head><body>";
    if (s == m_sessions.end()) {
        page += "<p>세션이 유효하지 않습니다.</p>";
    } else {
        page += "<h1>080 수신거부 요청 (" + m_accounts[s->second].number080 + ")</h1><table>";
        for (const RefusalRequest& r : m_accounts[s->second].requests)
            page += "<tr><td>" + r.date + "</td><td>" + std::to_string(r.time) + "</td><td>" + r.phone +
                    "</td></tr>";
        page += "</table>";
    }
    return page + "</body></html>";
}

void OptOutState::AddRequest(int mart, RefusalRequest request) {
    std::lock_guard lock(m_mutex);
    m_accounts[mart].requests.push_back(std::move(request));
}

} // namespace zmsg::sim
