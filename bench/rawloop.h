// The bare libcurl loop the send benchmarks measure the module against: each body posted to one
// address on a connection of its own, as a send posts its begin, batches and end, and the reply
// checked for success.
#pragma once

#include <string>

class RawPoster {
public:
    explicit RawPoster(const std::string& url);
    ~RawPoster();
    RawPoster(const RawPoster&) = delete;
    RawPoster& operator=(const RawPoster&) = delete;

    // True when the center answered HTTP 200 with a reply beginning "1:".
    bool Post(const std::string& body);
    const std::string& reply() const { return m_reply; }

private:
    void* m_curl = nullptr;
    void* m_headers = nullptr;
    std::string m_url;
    std::string m_reply;
};
