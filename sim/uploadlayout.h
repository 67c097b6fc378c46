// The image upload's multipart body, read strictly: the client lays it out byte for byte, and the
// simulator refuses anything else, so a drift in the client shows up as a failed upload.
//
// Content-Type: multipart/form-data; boundary=B, where B is 27 hyphens and "%d%c%d%c%d%c" built
// from the client's local time (b = second + 79: 2b, 'A'+b%20, 2(minute+b), 'a'+(minute+b)%20,
// 2(hour+b), 'a'+(hour+b)%20). Body, parts optional but not both absent:
//   "\r\n--B\r\nContent-Disposition: form-data; name=\"F\"; filename=\"N\"\r\n"
//   "Content-Type: application/octet-stream\r\n\r\n" <file bytes>
//   "\r\n--B\r\nContent-Disposition: form-data; name=\"T\"\r\n\r\n" <text value>
//   "\r\n--B--\r\n"
#pragma once

#include <string>
#include <string_view>

namespace zmsg::sim {

struct UploadParts {
    bool ok = false;
    std::string error; // what was wrong, when not ok
    std::string boundary;
    bool hasFile = false;
    std::string fileField;
    std::string fileName;
    std::string fileBytes;
    bool hasText = false;
    std::string textField;
    std::string textValue;
};

// True when the boundary has the shape and the internal consistency of the time-based formula.
bool IsTimeBoundary(std::string_view boundary);
UploadParts ParseUpload(std::string_view contentType, std::string_view body);

} // namespace zmsg::sim
