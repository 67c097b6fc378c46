// HTTP with the service center (libcurl): form requests, the image upload and the image download.
// Calls block the caller until the exchange ends or times out; the progress hook (frame/operationpump.h)
// runs meanwhile, so the windows keep painting. Nothing here depends on Qt Widgets.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "frame/operationpump.h"

// How a request may use connections. libcurl silently re-sends a request, body included, when a
// reused kept-alive connection closes without a reply, and then reports success: the center would
// see a batch or an end twice. A send's begin, batches and end therefore go on a fresh connection
// each; information and result requests may share one.
enum class ConnectionUse { Shared, Fresh };

// Form POST of an already form-encoded body. Returns 1 when the exchange took place and the center
// answered HTTP 200 (reply holds the body as received, UTF-8), 0 for any communication failure:
// no connection, time-out, connection closed, another HTTP status, or a reply over kReplyCapBytes
// (reply is then empty; the body of an error page is not the center's answer). timeoutMs 0 means
// kDefaultRequestTimeoutMs.
int RequestPost(const std::string& url, std::string body, std::string& reply, int timeoutMs,
                ConnectionUse use = ConnectionUse::Shared);

// Multipart POST of one file part (first) and one text part, laid out byte for byte as the center
// reads it. The file part is sent when fileField and filePath are both non-empty (its name is the
// part of the path after the last '/'); the text part when textField is not null. False without
// sending when there is neither, when the file is missing or unreadable, or the address is bad;
// false for a status other than 200 or a reply over kReplyCapBytes. On true, reply holds every byte
// received (zero bytes too).
bool HttpUploadFile(const std::string& address, std::string& reply, const std::string& fileField,
                    const std::string& filePath, const char* textField, const std::string& textValue);

// GET of one file into a new private temporary file (mode 0600, unique name in the system's temp
// folder, never named after the address and never in the current folder); the name keeps the
// address's extension when it is a known image type. Returns that path when at least one byte
// arrived with status 200, no more than kDownloadCapBytes, and the file holds exactly what arrived;
// the caller deletes that file.
// On failure nothing is left behind.
std::optional<std::string> HttpDownloadFile(const std::string& address);

namespace zmsg {

// What "0 = library default" means: libcurl's own default waits for ever, which would hang the
// dialog on a center that accepted the connection and never answers.
inline constexpr int kDefaultRequestTimeoutMs = 30000;
// Upload and download carry files: they get the longest time-out the center's requests use.
inline constexpr int kFileTimeoutMs = 120000;
// Largest reply of a form request or the upload (a center reply is a few kilobytes, but a result reply
// carries about 14 bytes a recipient: 1.4 MB for a send of 100,000) and largest download (a picture
// is a few megabytes). A request whose reply grows past its cap stops there and fails like a broken
// exchange, logged; nothing of it is handed on.
inline constexpr size_t kReplyCapBytes = 8 * 1048576;
inline constexpr size_t kDownloadCapBytes = 20 * 1048576;
// Longest pause between two calls of the progress hook (ScopedRequestProgress) while a request is
// under way.
inline constexpr int kProgressIntervalMs = 50;

// The time-out used for a requested one (0 = the default), after the scale below.
int EffectiveTimeoutMs(int requestedMs);
// Tests shorten every time-out (and the pauses transactions take between retries) by this factor;
// 1 in the module.
void SetRequestTimeoutScale(double scale);
double RequestTimeoutScale();
// A pause between two tries of a request (the 1000 ms before an end is posted again), after the scale.
int RetryPauseMs(int ms);

// The upload's boundary for a local time: 27 hyphens, then "%d%c%d%c%d%c" of 2b, 'A'+b%20,
// 2(minute+b), 'a'+(minute+b)%20, 2(hour+b), 'a'+(hour+b)%20 with b = second + 79.
std::string UploadBoundary(int hour, int minute, int second);

} // namespace zmsg
