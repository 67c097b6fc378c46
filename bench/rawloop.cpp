#include "bench/rawloop.h"

#include <curl/curl.h>

namespace {

size_t Append(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

} // namespace

RawPoster::RawPoster(const std::string& url) : m_url(url) {
    CURL* e = curl_easy_init();
    m_curl = e;
    if (!e)
        return;
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, "User-Agent: ZEDov");
    headers = curl_slist_append(headers, "Expect:");
    m_headers = headers;
    curl_easy_setopt(e, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &m_reply);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
}

RawPoster::~RawPoster() {
    curl_slist_free_all(static_cast<curl_slist*>(m_headers));
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

bool RawPoster::Post(const std::string& body) {
    CURL* e = static_cast<CURL*>(m_curl);
    if (!e)
        return false;
    m_reply.clear();
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    long status = 0;
    return curl_easy_perform(e) == CURLE_OK &&
           curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200 &&
           m_reply.rfind("1:", 0) == 0;
}
