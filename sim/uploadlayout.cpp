#include "sim/uploadlayout.h"

#include <cctype>

namespace zmsg::sim {

namespace {
bool ReadNumber(std::string_view& s, int& value) {
    size_t n = 0;
    value = 0;
    while (n < s.size() && std::isdigit(static_cast<unsigned char>(s[n])) && n < 6)
        value = value * 10 + (s[n++] - '0');
    s.remove_prefix(n);
    return n > 0;
}

UploadParts Fail(std::string error) {
    UploadParts p;
    p.error = std::move(error);
    return p;
}
} // namespace

bool IsTimeBoundary(std::string_view boundary) {
    const std::string_view hyphens = "---------------------------";
    if (boundary.substr(0, hyphens.size()) != hyphens || boundary.size() < hyphens.size() + 6)
        return false;
    std::string_view s = boundary.substr(hyphens.size());
    if (s.front() == '-')
        return false;
    int n1 = 0, n2 = 0, n3 = 0;
    if (!ReadNumber(s, n1) || s.empty())
        return false;
    const char c1 = s.front();
    s.remove_prefix(1);
    if (!ReadNumber(s, n2) || s.empty())
        return false;
    const char c2 = s.front();
    s.remove_prefix(1);
    if (!ReadNumber(s, n3) || s.size() != 1)
        return false;
    const char c3 = s.front();
    if (n1 % 2 || n2 % 2 || n3 % 2)
        return false;
    const int b = n1 / 2, mb = n2 / 2, hb = n3 / 2;
    const int second = b - 79, minute = mb - b, hour = hb - b;
    return second >= 0 && second <= 60 && minute >= 0 && minute <= 59 && hour >= 0 && hour <= 23 &&
           c1 == 'A' + b % 20 && c2 == 'a' + mb % 20 && c3 == 'a' + hb % 20;
}

UploadParts ParseUpload(std::string_view contentType, std::string_view body) {
    const std::string_view prefix = "multipart/form-data; boundary=";
    if (contentType.substr(0, prefix.size()) != prefix)
        return Fail("content type is not multipart/form-data with a boundary");
    const std::string boundary(contentType.substr(prefix.size()));
    if (!IsTimeBoundary(boundary))
        return Fail("boundary does not follow the time formula: " + boundary);

    const std::string trailer = "\r\n--" + boundary + "--\r\n";
    if (body.size() < trailer.size() || body.substr(body.size() - trailer.size()) != trailer)
        return Fail("body does not end with the closing boundary");
    std::string_view rest = body.substr(0, body.size() - trailer.size());

    UploadParts p;
    p.boundary = boundary;
    const std::string partStart = "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"";
    if (rest.empty() || rest.substr(0, partStart.size()) != partStart)
        return Fail("body does not begin with CR LF and the boundary of a part");

    // The text part, when there is one, is the last part; the file part, when there is one, the first.
    const std::string_view fileHeaderMark = "\"; filename=\"";
    const size_t firstNameEnd = rest.find('"', partStart.size());
    const bool firstIsFile = firstNameEnd != std::string_view::npos &&
                             rest.substr(firstNameEnd, fileHeaderMark.size()) == fileHeaderMark;
    size_t textStart = rest.rfind(partStart);
    if (firstIsFile && textStart == 0)
        textStart = std::string_view::npos;

    if (textStart != std::string_view::npos) {
        std::string_view text = rest.substr(textStart + partStart.size());
        const std::string_view mid = "\"\r\n\r\n";
        const size_t q = text.find(mid);
        if (q == std::string_view::npos)
            return Fail("text part header is malformed");
        p.hasText = true;
        p.textField = std::string(text.substr(0, q));
        p.textValue = std::string(text.substr(q + mid.size()));
        rest = rest.substr(0, textStart);
    }
    if (firstIsFile) {
        std::string_view file = rest.substr(partStart.size());
        const size_t nameEnd = file.find('"');
        p.fileField = std::string(file.substr(0, nameEnd));
        file.remove_prefix(nameEnd + fileHeaderMark.size());
        const std::string_view tail = "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
        const size_t q = file.find(tail);
        if (q == std::string_view::npos)
            return Fail("file part header is malformed");
        p.hasFile = true;
        p.fileName = std::string(file.substr(0, q));
        p.fileBytes = std::string(file.substr(q + tail.size()));
    } else if (!rest.empty()) {
        return Fail("unexpected bytes before the text part");
    }
    if (!p.hasFile && !p.hasText)
        return Fail("neither a file nor a text part");
    p.ok = true;
    return p;
}

} // namespace zmsg::sim
