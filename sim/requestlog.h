// Every request the simulator received, in order, for tests and for a person watching the demo.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "sim/formdata.h"

namespace zmsg::sim {

struct RecordedRequest {
    int index = 0;      // from 1
    std::string time;   // local time "YYYY-MM-DD HH:MM:SS.mmm"
    std::string method; // GET or POST
    std::string path;   // without the query
    std::string verb;   // the request kind; empty for the control surface
    FormFields fields;  // decoded; for an upload its text part and what the file part held
    std::string fault;  // the fault applied to it, empty when none
};

class RequestLog {
public:
    // Returns the index given to the request.
    int Add(RecordedRequest request);
    void SetFault(int index, const std::string& fault);
    std::vector<RecordedRequest> All() const;
    // How many requests of that verb arrived.
    int Count(const std::string& verb) const;
    void Clear();
    std::string ToJson() const;

private:
    mutable std::mutex m_mutex;
    std::vector<RecordedRequest> m_requests;
};

} // namespace zmsg::sim
