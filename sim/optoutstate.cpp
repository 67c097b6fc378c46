#include "sim/optoutstate.h"

#include <cstdio>
#include <cstdlib>

#include "sim/json.h"
#include "text/textscan.h"

namespace zmsg::sim {

namespace {
std::string Tag(const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
}

std::string Reply(const char* root, int result, const std::string& message, const std::string& more = {}) {
    return std::string("<") + root + ">" + Tag("Result", std::to_string(result)) + Tag("Message", message) +
           more + "</" + root + ">";
}

long long Digits(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return std::atoll(digits.c_str());
}

std::string Html(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> All(const FormFields& fields, const char* name) {
    std::vector<std::string> out;
    for (const auto& [n, v] : fields)
        if (n == name)
            out.push_back(v);
    return out;
}

// HHMMSS plus one second, staying within the day (the last second repeats).
std::string NextSecond(const std::string& hhmmss) {
    const long long t = Digits(hhmmss);
    long long s = (t / 10000) * 3600 + (t / 100 % 100) * 60 + t % 100 + 1;
    if (s >= 86400)
        s = 86399;
    return std::to_string((s / 3600) * 10000 + (s / 60 % 60) * 100 + s % 60);
}
} // namespace

OptOutState::OptOutState() {
    Reset();
}

void OptOutState::Reset() {
    std::lock_guard lock(m_mutex);
    m_accounts.clear();
    m_sessions.clear();
    m_asked.clear();
    m_nextSession = 1;
    // Store 1001 is the sample store: its business number is the one its code table holds, and its
    // calls come from sample members 3, 10 (number stored masked) and 31 (already refusing).
    m_accounts[1001] = {"123-45-67890",
                        "0807001001",
                        {{"2025-03-02", "93015", "0807001001", "01020429082"},
                         {"2025-03-02", "141500", "0807001001", "01088266648"},
                         {"2025-03-05", "80101", "0807001001", "01039246396"}}};
    m_accounts[1002] = {"234-56-78901", "0807001002", {}};
}

std::string OptOutState::DecodeXml(const std::string& body) {
    return Base64Decode(FieldOf(ParseForm(body), "xmldata"));
}

std::string OptOutState::Auth(const std::string& body) {
    const std::string xml = DecodeXml(body);
    std::lock_guard lock(m_mutex);
    const int mart = std::atoi(zmsg::ElementText(xml, "MCode").c_str());
    const auto it = m_accounts.find(mart);
    if (it == m_accounts.end() || it->second.bizNumber != zmsg::ElementText(xml, "CRNum"))
        return Reply("AUTH", 3001, "등록되지 않은 점포이거나 사업자번호가 다릅니다.");
    const std::string session = "S" + std::to_string(mart) + "-" + std::to_string(m_nextSession++);
    m_sessions[session] = mart;
    return Reply("AUTH", 1000, "정상처리", Tag("SessionID", session) + Tag("RNumber", it->second.number080));
}

std::string OptOutState::CallList(const std::string& body) {
    const std::string xml = DecodeXml(body);
    std::lock_guard lock(m_mutex);
    Asked asked{zmsg::ElementText(xml, "SessionID"), zmsg::ElementText(xml, "DATE"),
                zmsg::ElementText(xml, "TIME")};
    auto answer = [&](int result, const std::string& message, const std::string& more = {}) {
        asked.result = result;
        m_asked.push_back(asked);
        return Reply("DNC", result, message, more);
    };
    const auto s = m_sessions.find(asked.session);
    if (s == m_sessions.end())
        return answer(4001, "세션이 유효하지 않습니다.");
    if (zmsg::ElementText(xml, "Type") != "CALLLIST")
        return answer(4002, "알 수 없는 요청입니다.");
    const long long day = Digits(asked.date);
    const long long time = Digits(asked.time);
    std::string lists;
    for (const RefusalRequest& r : m_accounts[s->second].requests) {
        const long long d = Digits(r.date);
        if (d < day || (d == day && Digits(r.time) <= time))
            continue;
        ++asked.sent;
        lists += "<LIST>" + Tag("DATE", r.date) + Tag("TIME", r.time) + Tag("CN", r.calledNumber) +
                 Tag("P", r.phone) + "</LIST>";
    }
    if (lists.empty())
        return answer(2000, "추가된 수신거부 요청이 없습니다.");
    return answer(1000, "정상처리", lists);
}

std::string OptOutState::WebPage(const std::string& query) {
    const std::string xml = DecodeXml(query);
    std::lock_guard lock(m_mutex);
    const auto s = m_sessions.find(zmsg::ElementText(xml, "SessionID"));
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>080 수신거부</title></head><body>";
    if (s == m_sessions.end() || zmsg::ElementText(xml, "Type") != "WEBPAGE") {
        page += "<p>세션이 유효하지 않습니다.</p>";
    } else {
        const Account& a = m_accounts[s->second];
        page += "<h1>080 수신거부 요청 (" + Html(a.number080) +
                ")</h1><table id=\"requests\">"
                "<tr><th>요청일</th><th>시각</th><th>수신거부번호</th></tr>";
        for (const RefusalRequest& r : a.requests)
            page += "<tr><td>" + Html(r.date) + "</td><td>" + Html(r.time) + "</td><td>" + Html(r.phone) +
                    "</td></tr>";
        page += "</table>";
    }
    return page + "</body></html>";
}

void OptOutState::AddRequest(int mart, RefusalRequest request) {
    std::lock_guard lock(m_mutex);
    Account& a = m_accounts[mart];
    if (request.calledNumber.empty())
        request.calledNumber = a.number080;
    a.requests.push_back(std::move(request));
}

std::string OptOutState::AddCalls(const FormFields& fields) {
    const std::string martText = FieldOf(fields, "mart");
    const int mart = martText.empty() ? 1001 : std::atoi(martText.c_str());
    const auto dates = All(fields, "date");
    const auto times = All(fields, "time");
    const auto phones = All(fields, "p");
    const auto called = All(fields, "cn");
    const std::string countText = FieldOf(fields, "count");
    if (!countText.empty()) {
        const int count = std::atoi(countText.c_str());
        if (count <= 0 || count > 1000000 || dates.size() != 1 || times.size() != 1)
            return "count needs 1 to 1000000 calls, one date and one time\n";
        // Numbers of their own: 010 and eight digits counting up from p (or 0109000000x).
        const long long first = phones.empty() ? 1090000000LL : Digits(phones.front());
        std::string time = times.front();
        for (int i = 0; i < count; ++i) {
            char phone[24];
            std::snprintf(phone, sizeof phone, "0%lld", first + i);
            AddRequest(mart, {dates.front(), time, called.empty() ? std::string() : called.front(), phone});
            time = NextSecond(time);
        }
        return {};
    }
    if (dates.empty() || dates.size() != times.size() || dates.size() != phones.size() ||
        (!called.empty() && called.size() != dates.size()))
        return "each call needs date, time and p (and cn for all calls or none)\n";
    for (size_t i = 0; i < dates.size(); ++i)
        AddRequest(mart, {dates[i], times[i], called.empty() ? std::string() : called[i], phones[i]});
    return {};
}

std::string OptOutState::ToJson() {
    std::lock_guard lock(m_mutex);
    std::string out = "{\"stores\":[";
    bool first = true;
    for (const auto& [mart, a] : m_accounts) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"mart\":" + std::to_string(mart) + ",\"crnum\":" + JsonString(a.bizNumber) +
               ",\"number080\":" + JsonString(a.number080) + ",\"requests\":[";
        for (size_t i = 0; i < a.requests.size(); ++i) {
            const RefusalRequest& r = a.requests[i];
            out += std::string(i ? "," : "") + "\n{\"date\":" + JsonString(r.date) +
                   ",\"time\":" + JsonString(r.time) + ",\"cn\":" + JsonString(r.calledNumber) +
                   ",\"p\":" + JsonString(r.phone) + "}";
        }
        out += "]}";
    }
    out += "],\n\"sessions\":[";
    first = true;
    for (const auto& [id, mart] : m_sessions) {
        out += std::string(first ? "" : ",") + "{\"id\":" + JsonString(id) +
               ",\"mart\":" + std::to_string(mart) + "}";
        first = false;
    }
    out += "],\n\"calllists\":[";
    for (size_t i = 0; i < m_asked.size(); ++i) {
        const Asked& q = m_asked[i];
        out += std::string(i ? "," : "") + "\n{\"session\":" + JsonString(q.session) +
               ",\"date\":" + JsonString(q.date) + ",\"time\":" + JsonString(q.time) +
               ",\"result\":" + std::to_string(q.result) + ",\"sent\":" + std::to_string(q.sent) + "}";
    }
    return out + "]}";
}

} // namespace zmsg::sim
