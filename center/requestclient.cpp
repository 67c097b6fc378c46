#include "center/requestclient.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include <curl/curl.h>

#include "center/vexglobal.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "text/codec.h"

namespace zmsg {

namespace {

double g_timeoutScale = 1.0;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct EasyDeleter {
    void operator()(CURL* e) const { curl_easy_cleanup(e); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using MultiPtr = std::unique_ptr<CURLM, MultiDeleter>;
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using ListPtr = std::unique_ptr<curl_slist, ListDeleter>;

// The connection cache that information and result requests share, used by one transfer at a time.
std::atomic<bool> g_sharedBusy{false};
MultiPtr& SharedMulti() {
    static MultiPtr multi(curl_multi_init());
    return multi;
}

ListPtr Headers(std::initializer_list<std::string> lines) {
    curl_slist* list = nullptr;
    for (const std::string& line : lines)
        list = curl_slist_append(list, line.c_str());
    return ListPtr(list);
}

// A reply read into memory, up to a cap: a center that streams without end must not take the
// process's memory with it.
struct ReplySink {
    std::string text;
    size_t cap = kReplyCapBytes;
    bool over = false;
};

size_t AppendToSink(char* data, size_t size, size_t count, void* out) {
    auto* sink = static_cast<ReplySink*>(out);
    const size_t n = size * count;
    if (n > sink->cap - sink->text.size()) {
        sink->over = true;
        return 0; // aborts the transfer
    }
    sink->text.append(data, n);
    return n;
}

// Reads the reply into sink; a declared length above the cap fails before anything is read.
void ReadReplyInto(CURL* e, ReplySink& sink) {
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, AppendToSink);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.cap));
}

bool OverCap(CURLcode code, bool over) {
    return over || code == CURLE_FILESIZE_EXCEEDED;
}

void LogOverCap(const char* what, const std::string& url, size_t cap) {
    WriteLog(K(what) + " : " + url + K(" (응답이 한도 ") + std::to_string(cap) + K(" 바이트를 넘어 중단)"),
             0);
}

// Runs one transfer on a multi handle so that the progress hook can run at a steady pace even while
// nothing arrives (libcurl's own progress callback slows to once a second then).
CURLcode Perform(CURLM* multi, CURL* easy) {
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_FAILED_INIT;
    bool done = false;
    while (!done) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (curl_multi_poll(multi, nullptr, 0, kProgressIntervalMs, nullptr) != CURLM_OK)
            break;
        RunRequestProgress();
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

// Common options of every exchange.
EasyPtr NewEasy(const std::string& url, int timeoutMs, ConnectionUse use) {
    GlobalInit();
    EasyPtr easy(curl_easy_init());
    if (!easy)
        return easy;
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    const long total = EffectiveTimeoutMs(timeoutMs);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, total);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, std::min<long>(total, 10000));
    // The simulator and a center on the local network must not be sent through a proxy.
    curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    if (use == ConnectionUse::Fresh) {
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    }
    return easy;
}

// Performs on the shared connection cache, or on a private one for a fresh connection (or when the
// shared one is busy, which only a re-entrant call from the progress hook could cause).
CURLcode Run(CURL* easy, ConnectionUse use) {
    bool expected = false;
    if (use == ConnectionUse::Shared && g_sharedBusy.compare_exchange_strong(expected, true)) {
        const CURLcode code = SharedMulti() ? Perform(SharedMulti().get(), easy) : CURLE_FAILED_INIT;
        g_sharedBusy = false;
        return code;
    }
    // A fresh connection still reuses this thread's multi handle: FORBID_REUSE closes the connection
    // once the transfer is done, so nothing but the handle itself outlives a request.
    thread_local MultiPtr fresh;
    thread_local bool freshBusy = false;
    if (!freshBusy) {
        if (!fresh)
            fresh.reset(curl_multi_init());
        if (!fresh)
            return CURLE_FAILED_INIT;
        freshBusy = true;
        const CURLcode code = Perform(fresh.get(), easy);
        freshBusy = false;
        return code;
    }
    MultiPtr own(curl_multi_init());
    if (!own)
        return CURLE_FAILED_INIT;
    return Perform(own.get(), easy);
}

long StatusOf(CURL* easy) {
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

void LogFailure(const char* what, const std::string& url, CURLcode code, long status) {
    std::string text = K(what) + " : " + url;
    if (code != CURLE_OK)
        text += " (" + std::string(curl_easy_strerror(code)) + ")";
    else
        text += " (HTTP " + std::to_string(status) + ")";
    WriteLog(text, 0);
}

// Parsed http(s) address; false when it is not one.
bool ParseAddress(const std::string& address, std::string* path) {
    CURLU* u = curl_url();
    if (!u)
        return false;
    bool ok = curl_url_set(u, CURLUPART_URL, address.c_str(), 0) == CURLUE_OK;
    char* scheme = nullptr;
    char* host = nullptr;
    char* p = nullptr;
    ok = ok && curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
         (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0) &&
         curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
         curl_url_get(u, CURLUPART_PATH, &p, 0) == CURLUE_OK;
    if (ok && path)
        *path = p;
    curl_free(scheme);
    curl_free(host);
    curl_free(p);
    curl_url_cleanup(u);
    return ok;
}

// ".jpg" and the like when the address's last path segment ends in a known image type, else empty:
// the rest of the remote name says nothing the local file needs.
std::string ImageExtension(const std::string& urlPath) {
    const std::string name = urlPath.substr(urlPath.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const char* const known[] = {"jpg", "jpeg", "png", "gif", "bmp"};
    for (const char* k : known)
        if (ext == k)
            return "." + ext;
    return {};
}

// Download target: fills a 1 MiB buffer and writes it out whole.
struct DownloadSink {
    int fd = -1;
    std::string buffer;
    long long received = 0;
    bool failed = false;
    bool over = false; // more than kDownloadCapBytes arrived

    bool Flush() {
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        buffer.clear();
        return true;
    }
};

constexpr size_t kDownloadPiece = 1048576;

size_t WriteToSink(char* data, size_t size, size_t count, void* out) {
    auto* sink = static_cast<DownloadSink*>(out);
    const size_t n = size * count;
    if (static_cast<unsigned long long>(sink->received) + n > kDownloadCapBytes) {
        sink->over = true;
        return 0; // aborts the transfer
    }
    size_t used = 0;
    while (used < n) {
        const size_t take = std::min(n - used, kDownloadPiece - sink->buffer.size());
        sink->buffer.append(data + used, take);
        used += take;
        if (sink->buffer.size() == kDownloadPiece && !sink->Flush()) {
            sink->failed = true;
            return 0; // aborts the transfer
        }
    }
    sink->received += static_cast<long long>(n);
    return n;
}

} // namespace

int EffectiveTimeoutMs(int requestedMs) {
    const int base = requestedMs > 0 ? requestedMs : kDefaultRequestTimeoutMs;
    return std::max(1, static_cast<int>(base * g_timeoutScale));
}

void SetRequestTimeoutScale(double scale) {
    g_timeoutScale = scale > 0 ? scale : 1.0;
}

double RequestTimeoutScale() {
    return g_timeoutScale;
}

int RetryPauseMs(int ms) {
    return std::max(0, static_cast<int>(ms * g_timeoutScale));
}

std::string UploadBoundary(int hour, int minute, int second) {
    const int b = second + 79;
    char tail[64];
    std::snprintf(tail, sizeof tail, "%d%c%d%c%d%c", 2 * b, 'A' + b % 20, 2 * (minute + b),
                  'a' + (minute + b) % 20, 2 * (hour + b), 'a' + (hour + b) % 20);
    return std::string(27, '-') + tail;
}

} // namespace zmsg

using namespace zmsg;

int RequestPost(const std::string& url, std::string body, std::string& reply, int timeoutMs,
                ConnectionUse use) {
    reply.clear();
    EasyPtr easy = NewEasy(url, timeoutMs, use);
    if (!easy)
        return 0;
    CURL* e = easy.get();
    ReplySink received;
    const ListPtr headers =
        Headers({"Content-Type: application/x-www-form-urlencoded", "User-Agent: ZEDov", "Expect:"});
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    ReadReplyInto(e, received);
    const CURLcode code = Run(e, use);
    const long status = StatusOf(e);
    if (OverCap(code, received.over)) {
        LogOverCap("센터 요청 실패", url, received.cap);
        return 0;
    }
    if (code != CURLE_OK || status != 200) {
        LogFailure("센터 요청 실패", url, code, status);
        return 0;
    }
    reply = std::move(received.text);
    return 1;
}

bool HttpUploadFile(const std::string& address, std::string& reply, const std::string& fileField,
                    const std::string& filePath, const char* textField, const std::string& textValue) {
    reply.clear();
    const bool hasFile = !fileField.empty() && !filePath.empty();
    if (hasFile && !CvexGlobal::IsPathExist(filePath))
        return false;
    if (!ParseAddress(address, nullptr))
        return false;

    const QDateTime now = Clock::now();
    const std::string boundary = UploadBoundary(now.time().hour(), now.time().minute(), now.time().second());
    const std::string trailer = "\r\n--" + boundary + "--\r\n";
    std::string textPart;
    if (textField)
        textPart = "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + textField +
                   "\"\r\n\r\n" + textValue;

    std::string fileHeader;
    std::ifstream file;
    std::streamoff fileSize = 0;
    if (hasFile) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(filePath, ec))
            return false; // a folder opens but has no size to send
        file.open(filePath, std::ios::binary);
        if (!file)
            return false;
        file.seekg(0, std::ios::end);
        fileSize = file.tellg();
        file.seekg(0, std::ios::beg);
        if (fileSize < 0 || !file)
            return false;
        std::string name = filePath.substr(filePath.find_last_of('/') + 1);
        // A quote or a line end in the name would end the header early.
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '"' || c == '\r' || c == '\n'; }, '_');
        fileHeader = "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + fileField +
                     "\"; filename=\"" + name + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
    }
    if (textPart.empty() && fileHeader.empty())
        return false;

    // One block of exactly the body's size: file part first, then the text part, then the trailer.
    std::string body;
    body.reserve(fileHeader.size() + static_cast<size_t>(fileSize) + textPart.size() + trailer.size());
    body += fileHeader;
    if (fileSize > 0) {
        const size_t at = body.size();
        body.resize(at + static_cast<size_t>(fileSize));
        if (!file.read(body.data() + at, fileSize))
            return false;
    }
    body += textPart;
    body += trailer;

    EasyPtr easy = NewEasy(address, kFileTimeoutMs, ConnectionUse::Fresh);
    if (!easy)
        return false;
    CURL* e = easy.get();
    ReplySink received;
    const ListPtr headers =
        Headers({"Accept: text/*", "Content-Type: multipart/form-data; boundary=" + boundary,
                 "User-Agent: ZEDov", "Expect:"});
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    ReadReplyInto(e, received);
    const CURLcode code = Run(e, ConnectionUse::Fresh);
    const long status = StatusOf(e);
    if (OverCap(code, received.over)) {
        LogOverCap("이미지 전송 실패", address, received.cap);
        return false;
    }
    if (code != CURLE_OK || status != 200) {
        LogFailure("이미지 전송 실패", address, code, status);
        return false;
    }
    reply = std::move(received.text);
    return true;
}

std::optional<std::string> HttpDownloadFile(const std::string& address) {
    std::string urlPath;
    if (!ParseAddress(address, &urlPath))
        return std::nullopt;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        return std::nullopt;
    const std::string ext = ImageExtension(urlPath);
    std::string path = (folder / "zmsg-download-XXXXXX").string() + ext;
    // mkstemps creates the file exclusively with mode 0600: no other user can read or replace it.
    DownloadSink sink;
    sink.fd = ::mkstemps(path.data(), static_cast<int>(ext.size()));
    if (sink.fd < 0)
        return std::nullopt;
    sink.buffer.reserve(kDownloadPiece);

    bool ok = false;
    EasyPtr easy = NewEasy(address, kFileTimeoutMs, ConnectionUse::Shared);
    if (easy) {
        CURL* e = easy.get();
        const ListPtr headers =
            Headers({"Content-Type: application/x-www-form-urlencoded", "User-Agent: ZEDov"});
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteToSink);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kDownloadCapBytes));
        const CURLcode code = Run(e, ConnectionUse::Shared);
        const long status = StatusOf(e);
        struct stat st {};
        ok = code == CURLE_OK && status == 200 && !sink.failed && sink.Flush() && sink.received > 0 &&
             ::fstat(sink.fd, &st) == 0 && st.st_size == sink.received;
        if (OverCap(code, sink.over))
            LogOverCap("파일 다운로드 실패", address, kDownloadCapBytes);
        else if (!ok)
            LogFailure("파일 다운로드 실패", address, code, status);
    }
    ::close(sink.fd);
    if (!ok) {
        ::unlink(path.c_str());
        return std::nullopt;
    }
    return path;
}
