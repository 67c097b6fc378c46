// The simulated center as the module meets it: whole transactions posted through the real client,
// checked by what the provider would bill and hand out.
#include <gtest/gtest.h>

#include <QByteArray>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "tests/support/simfixture.h"

using zmsg::K;

namespace {

const char* const kSms = "/ZMSG/AppRequest.ashx";
const char* const kApp = "/SMMS/AppRequest.ashx";
const char* const kCoupon = "/CouponIssue/AppRequest.ashx";

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

TEST_F(SimCenterTest, StoreInformationOnEveryAddress) {
    struct Row {
        const char* path;
        int store;
        const char* status; // first two characters
    };
    const Row rows[] = {
        {kSms, 1001, "1:"}, {kApp, 1001, "1:"}, {kCoupon, 1001, "1:"}, {kSms, 1002, "1:"},
        {kSms, 1003, "2:"}, {kApp, 1003, "2:"}, {kCoupon, 1003, "2:"}, {kSms, 4321, "0:"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " " + std::to_string(r.store));
        const std::string reply =
            Post(r.path, "work=MARTINFO&mart=" + std::to_string(r.store) + "&ver=1.0.0.1");
        EXPECT_EQ(reply.substr(0, 2), r.status);
        if (reply.substr(0, 2) == "1:") {
            EXPECT_TRUE(zmsg::IsPositiveReply(reply, 10));
        }
    }
    const std::string calls = Post(kSms, "work=MARTINFO&mart=1001&ver=");
    EXPECT_EQ(CvexGlobal::GetParsedElement(calls, "PAY_TYPE"), "CALL");
    EXPECT_EQ(zmsg::ElementInt(calls, "CALL_NOW"), 5000);
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(calls, "LMS_CALL"), 3.0);
    EXPECT_EQ(CvexGlobal::GetParsedElement(calls, "ACC1"), K("문자은행"));
    const std::string money = Post(kSms, "work=MARTINFO&mart=1002&ver=");
    EXPECT_EQ(CvexGlobal::GetParsedElement(money, "PAY_TYPE"), "AS");
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(money, "AS_BALANCE"), 100000.0);
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(money, "UNITL"), 50.0);
}

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

TEST_F(SimCenterTest, BatchOfAThousandRecipientsIsRecorded) {
    const std::string begin =
        Post(kSms, "work=SMSBEGIN&mart=1001&emp=1&tg=0&mg=0&rsv=&tp=S&sub=&msg=m&cb=0212345678&call=1000");
    const std::string ss = std::to_string(zmsg::ElementInt(begin, "SS"));
    const std::string body = "work=SMSLIST&mart=1001&ss=" + ss + "&seq=1&list=" + Phones(0, 1000);
    ASSERT_GT(body.size(), 8192u) << "larger than a form body some servers accept";
    EXPECT_EQ(zmsg::ElementInt(Post(kSms, body, 60000), "OK"), 1000);
}

TEST_F(SimCenterTest, PrepaidLmsChargesMoneyPerDeliverablePhone) {
    const std::string begin =
        Post(kSms, "work=SMSBEGIN&mart=1002&emp=1&tg=0&mg=0&rsv=&tp=L&sub=t&msg=m&cb=0311234567&call=3");
    ASSERT_TRUE(zmsg::IsPositiveReply(begin, 12));
    const std::string ss = std::to_string(zmsg::ElementInt(begin, "SS"));
    ASSERT_EQ(zmsg::ElementInt(Post(kSms, "work=SMSLIST&mart=1002&ss=" + ss +
                                              "&seq=1&list=}{01011112222}{123}{0311234568"),
                               "OK"),
              3);
    const std::string end = Post(kSms, "work=SMSEND&mart=1002&ss=" + ss);
    EXPECT_EQ(zmsg::ElementInt(end, "CALL_SENT"), 2) << "a three-digit number is not sent";
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(end, "AS_BALANCE"), 100000.0 - 2 * 50);

    const std::string tooMany =
        Post(kSms, "work=SMSBEGIN&mart=1002&emp=1&tg=0&mg=0&rsv=&tp=L&sub=t&msg=m&cb=0311234567&call=5000");
    EXPECT_EQ(tooMany.substr(0, 2), "0:") << "the balance must cover the announced count";
    EXPECT_FALSE(zmsg::ReasonSuffix(tooMany).empty());
}

TEST_F(SimCenterTest, ResultsFollowThePhoneAndAreHandedOutUntilConfirmed) {
    m_fx.sim().Center().SetResultDelaySeconds(3600);
    const std::string ss = std::to_string(zmsg::ElementInt(
        Post(kSms, "work=SMSBEGIN&mart=1001&emp=1&tg=0&mg=0&rsv=&tp=S&sub=&msg=m&cb=0212345678&call=3"),
        "SS"));
    Post(kSms, "work=SMSLIST&mart=1001&ss=" + ss + "&seq=1&list=}{01011110001}{01011110007}{01011110002");
    ASSERT_TRUE(zmsg::IsPositiveReply(Post(kSms, "work=SMSEND&mart=1001&ss=" + ss), 4));

    const std::string query = "work=SMSRESULT&mart=1001&ss=" + ss;
    EXPECT_EQ(Post(kSms, query, 120000, ConnectionUse::Shared), "1:") << "not yet delivered";
    m_fx.sim().Center().AdvanceClock(3601);
    const std::string results = Post(kSms, query, 120000, ConnectionUse::Shared);
    EXPECT_EQ(results, "1:01011110001:1#01011110007:2#01011110002:1");
    EXPECT_EQ(Post(kSms, query, 120000, ConnectionUse::Shared), results) << "unconfirmed results come again";
    EXPECT_EQ(Post(kSms, "work=SMSRESULTOK&ss=" + ss, 0, ConnectionUse::Shared).substr(0, 2), "1:");
    EXPECT_EQ(Post(kSms, query, 120000, ConnectionUse::Shared), "1:")
        << "confirmed results are not handed out again";

    ASSERT_TRUE(m_fx.sim().Center().CancelSend(std::stoi(ss)));
    const std::string cancelled = Post(kSms, query, 120000, ConnectionUse::Shared);
    EXPECT_TRUE(cancelled.size() >= 3 && cancelled[0] == '9') << cancelled;
}

TEST_F(SimCenterTest, AppMessageWithImageAndAllMembers) {
    m_fx.sim().Center().SetNextMessageListCode(3000000001LL);
    const std::string title = CvexGlobal::EncodeANSIToUTF8URL(K("(광고)행복마트"));
    const std::string begin = Post(kApp, "work=SMMSBEGIN&mart=1001&emp=1&ename=x&tt=" + title +
                                             "&msg=m&mt=1&cb=0212345678&url=&pop=&call=2&ss=0");
    ASSERT_TRUE(zmsg::IsPositiveReply(begin, 12)) << begin;
    const long long ml = zmsg::ElementInt64(begin, "ML");
    EXPECT_EQ(ml, 3000000001LL) << "a 64-bit code";
    std::string reply;
    ASSERT_TRUE(HttpUploadFile(zmsg::CenterUrl("/SMMS/UploadImage.ashx"), reply, "", "", "extinfo",
                               std::to_string(ml) + "#@#1#@#3"));
    EXPECT_TRUE(zmsg::IsPositiveReply(reply, 12));
    const std::string mls = std::to_string(ml);
    EXPECT_EQ(zmsg::ElementInt(Post(kApp, "work=SMMSTRAN&mart=1001&ml=" + mls +
                                              "&seq=1&tran=}{01022220001|%ED%99%8D|}{01022220007||"),
                               "OK"),
              2);
    const std::string end = Post(kApp, "work=SMMSEND&mart=1001&ml=" + mls + "&alluser=1&m2date=3", 120000);
    EXPECT_EQ(zmsg::ElementInt(end, "CALL_SENT"), 2 + 25);
    EXPECT_EQ(zmsg::ElementInt(end, "ALL_USER"), 25);
    EXPECT_EQ(Post(kApp, "work=SMMSEND&mart=1001&ml=" + mls, 120000), end);
    EXPECT_EQ(balance(1001), 5000) << "app messages are free";
    EXPECT_EQ(Post(kApp, "work=SMMSRESULT&mart=1001&ml=" + mls, 120000), "1:01022220001:1#01022220007:2");
    EXPECT_EQ(m_fx.sim().Center().AppMessage(ml)->imageNumber, 3);
}

TEST_F(SimCenterTest, CouponIssueOpensFillsAndClosesOnce) {
    EXPECT_EQ(Post(kCoupon, "work=ISSUEBEGIN&mart=1001&emp=1&cp=99&istp=2").substr(0, 2), "0:")
        << "unknown coupon";
    const std::string begin = Post(kCoupon, "work=ISSUEBEGIN&mart=1001&emp=1&cp=12&istp=2");
    ASSERT_TRUE(zmsg::IsPositiveReply(begin, 12)) << begin;
    const std::string issue = std::to_string(zmsg::ElementInt(begin, "ISSUE"));
    EXPECT_EQ(
        zmsg::ElementInt(
            Post(kCoupon, "work=ISSUEUSER&mart=1001&issue=" + issue + "&seq=1&tran=" + Phones(0, 100), 60000),
            "OK"),
        100);
    const std::string end = Post(kCoupon, "work=ISSUEEND&mart=1001&issue=" + issue, 120000);
    EXPECT_TRUE(zmsg::IsPositiveReply(end, 4));
    EXPECT_EQ(zmsg::ElementInt(end, "ISSUED"), 100);
    EXPECT_EQ(Post(kCoupon, "work=ISSUEEND&mart=1001&issue=" + issue, 120000), end);

    const std::string all = Post(kCoupon, "work=ISSUEBEGIN&mart=1001&emp=1&cp=11&istp=1");
    const std::string allIssue = std::to_string(zmsg::ElementInt(all, "ISSUE"));
    EXPECT_TRUE(zmsg::IsPositiveReply(Post(kCoupon, "work=ISSUEEND&mart=1001&issue=" + allIssue, 120000), 4))
        << "all members: no batches needed";
}

TEST_F(SimCenterTest, OptOutServerSpeaksBase64Xml) {
    auto body = [](const std::string& xml) {
        return "xmldata=" + CvexGlobal::EncodeURL(CvexGlobal::Base64EncodeNew(xml));
    };
    std::string reply;
    ASSERT_EQ(RequestPost(zmsg::OptOutUrl("/korvane/auth.php"),
                          body("<AUTH><CRNum>123-45-67890</CRNum><MCode>1001</MCode></AUTH>"), reply, 0),
              1);
    EXPECT_EQ(CvexGlobal::GetParsedElement(reply, "Result"), "1000");
    const std::string session = CvexGlobal::GetParsedElement(reply, "SessionID");
    EXPECT_FALSE(session.empty());
    EXPECT_EQ(CvexGlobal::GetParsedElement(reply, "RNumber").substr(0, 3), "080");

    const std::string list = "<DNC><SessionID>" + session + "</SessionID><Type>CALLLIST</Type>";
    ASSERT_EQ(RequestPost(zmsg::OptOutUrl("/korvane/request.php"),
                          body(list + "<DATE>20150601</DATE><TIME>0</TIME></DNC>"), reply, 0),
              1);
    EXPECT_EQ(CvexGlobal::GetParsedElement(reply, "Result"), "1000");
    EXPECT_EQ(QByteArray::fromStdString(reply).count("<LIST>"), 3);
    ASSERT_EQ(RequestPost(zmsg::OptOutUrl("/korvane/request.php"),
                          body(list + "<DATE>20250305</DATE><TIME>80101</TIME></DNC>"), reply, 0),
              1);
    EXPECT_EQ(CvexGlobal::GetParsedElement(reply, "Result"), "2000") << "nothing after the newest";

    ASSERT_EQ(RequestPost(zmsg::OptOutUrl("/korvane/auth.php"),
                          body("<AUTH><CRNum>999</CRNum><MCode>1001</MCode></AUTH>"), reply, 0),
              1);
    EXPECT_NE(CvexGlobal::GetParsedElement(reply, "Result"), "1000");
    EXPECT_TRUE(CvexGlobal::GetParsedElement(reply, "SessionID").empty());
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
