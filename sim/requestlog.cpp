#include "sim/requestlog.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "sim/json.h"

namespace zmsg::sim {

namespace {
std::string NowText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    char out[48];
    std::snprintf(out, sizeof out, "%s.%03d", buf, static_cast<int>(ms));
    return out;
}
} // namespace

int RequestLog::Add(RecordedRequest request) {
    std::lock_guard lock(m_mutex);
    request.index = static_cast<int>(m_requests.size()) + 1;
    if (request.time.empty())
        request.time = NowText();
    m_requests.push_back(std::move(request));
    return m_requests.back().index;
}

void RequestLog::SetFault(int index, const std::string& fault) {
    std::lock_guard lock(m_mutex);
    if (index >= 1 && index <= static_cast<int>(m_requests.size()))
        m_requests[static_cast<size_t>(index - 1)].fault = fault;
}

std::vector<RecordedRequest> RequestLog::All() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int RequestLog::Count(const std::string& verb) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&](const RecordedRequest& r) { return r.verb == verb; }));
}

void RequestLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

std::string RequestLog::ToJson() const {
    std::lock_guard lock(m_mutex);
    std::string out = "{\"requests\":[";
    for (size_t i = 0; i < m_requests.size(); ++i) {
        const RecordedRequest& r = m_requests[i];
        if (i > 0)
            out += ',';
        out += "\n{\"index\":" + std::to_string(r.index) + ",\"time\":" + JsonString(r.time) +
               ",\"method\":" + JsonString(r.method) + ",\"path\":" + JsonString(r.path) +
               ",\"verb\":" + JsonString(r.verb) + ",\"fields\":{";
        for (size_t k = 0; k < r.fields.size(); ++k) {
            if (k > 0)
                out += ',';
            out += JsonString(r.fields[k].first) + ':' + JsonString(r.fields[k].second);
        }
        out += "},\"fault\":" + JsonString(r.fault) + '}';
    }
    out += "\n]}\n";
    return out;
}

} // namespace zmsg::sim
