// The simulated center's own upload check: the module's upload tests rely on it refusing any layout
// that drifts, and cannot see it refuse otherwise.
#include <gtest/gtest.h>

#include <string>

#include "sim/uploadlayout.h"

namespace {

// The simulator refuses an upload that drifts from the layout, so a client fault cannot pass unseen.
TEST(SimUploadLayout, OnlyTheExactLayoutIsAccepted) {
    const std::string b = "---------------------------218J258j238t";
    const std::string type = "multipart/form-data; boundary=" + b;
    const std::string file =
        "\r\n--" + b +
        "\r\nContent-Disposition: form-data; name=\"uploadedfile\"; filename=\"a.jpg\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\nJPEG";
    const std::string text =
        "\r\n--" + b + "\r\nContent-Disposition: form-data; name=\"extinfo\"\r\n\r\n7#@#0#@#0";
    const std::string end = "\r\n--" + b + "--\r\n";
    struct Row {
        const char* name;
        std::string type;
        std::string body;
        bool ok;
    };
    const Row rows[] = {
        {"file then text", type, file + text + end, true},
        {"text alone", type, text + end, true},
        {"file alone", type, file + end, true},
        {"text before file", type, text + file + end, false},
        {"no CR LF before the first boundary", type, file.substr(2) + text + end, false},
        {"no closing boundary", type, file + text, false},
        {"boundary not from a time", "multipart/form-data; boundary=----abc", file + text + end, false},
        {"letters inconsistent with the numbers",
         "multipart/form-data; boundary=---------------------------218K258j238t", file + text + end, false},
        {"nothing", type, end, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const zmsg::sim::UploadParts parts = zmsg::sim::ParseUpload(r.type, r.body);
        EXPECT_EQ(parts.ok, r.ok) << parts.error;
        if (parts.ok && parts.hasFile) {
            EXPECT_EQ(parts.fileName, "a.jpg");
            EXPECT_EQ(parts.fileBytes, "JPEG");
        }
    }
}

} // namespace
