// The simulated center as the module meets it: whole transactions posted through the real client,
// checked by what the provider would bill and hand out.
#include <gtest/gtest.h>

#include <QByteArray>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "sim/smmsstate.h"
#include "tests/support/simfixture.h"

using zmsg::K;

namespace {

const char* const kSms = "/ZMSG/AppRequest.ashx";

// The reply in CP949, or "(none)" when no reply arrived.
std::string Post(const char* path, const std::string& body, int timeoutMs = 0,
                 ConnectionUse use = ConnectionUse::Fresh) {
    std::string reply;
    if (!RequestPost(zmsg::CenterUrl(path), body, reply, timeoutMs, use))
        return "(none)";
    return zmsg::ConvertReply(reply);
}

std::string Phones(int from, int count) {
    std::string list;
    for (int i = from; i < from + count; ++i)
        list += "}{0109999" + std::to_string(1000 + i);
    return list;
}

class SimCenterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_fx.ok()); }
    double balance(int store) { return m_fx.sim().Center().StoreOf(store)->balance; }
    SimFixture m_fx;
};

TEST_F(SimCenterTest, SmsSendIsChargedOnceForWhatWasSent) {
    const std::string msg = CvexGlobal::EncodeANSIToUTF8URL(K("안녕하세요 {이름}님"));
    const std::string begin = Post(kSms, "work=SMSBEGIN&mart=1001&emp=1&tg=0&mg=1&rsv=&tp=S&sub=&msg=" + msg +
                                             "&cb=0212345678&call=250");
    ASSERT_TRUE(zmsg::IsPositiveReply(begin, 12)) << begin;
    const std::string ss = std::to_string(zmsg::ElementInt(begin, "SS"));

    // 100, 100 and 50; batch 2 is posted twice (a retry) and replaces itself.
    const int sizes[] = {100, 100, 50};
    for (int seq = 1; seq <= 3; ++seq) {
        const std::string body = "work=SMSLIST&mart=1001&ss=" + ss + "&seq=" + std::to_string(seq) +
                                 "&list=" + Phones((seq - 1) * 100, sizes[seq - 1]);
        const std::string reply = Post(kSms, body, 60000);
        ASSERT_TRUE(zmsg::IsPositiveReply(reply, 4)) << reply;
        EXPECT_EQ(zmsg::ElementInt(reply, "OK"), sizes[seq - 1]);
        if (seq == 2) {
            EXPECT_EQ(Post(kSms, body, 60000), reply);
        }
    }
    EXPECT_EQ(balance(1001), 5000) << "nothing is charged before the end";
    const std::string end = Post(kSms, "work=SMSEND&mart=1001&ss=" + ss, 120000);
    ASSERT_TRUE(zmsg::IsPositiveReply(end, 4)) << end;
    EXPECT_EQ(zmsg::ElementInt(end, "CALL_SENT"), 250);
    EXPECT_EQ(zmsg::ElementInt(end, "CALL_NOW"), 4750);
    EXPECT_EQ(balance(1001), 4750);

    EXPECT_EQ(Post(kSms, "work=SMSEND&mart=1001&ss=" + ss, 120000), end)
        << "an end repeated answers the same";
    EXPECT_EQ(balance(1001), 4750) << "and charges nothing more";
    EXPECT_FALSE(
        zmsg::IsPositiveReply(Post(kSms, "work=SMSLIST&mart=1001&ss=" + ss + "&seq=4&list=}{01012345678"), 4))
        << "an ended send takes no more recipients";
}

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
