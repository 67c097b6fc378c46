// The reply rules every transaction applies, on their own and on what really comes over HTTP.
#include <gtest/gtest.h>

#include <climits>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

using zmsg::K;

namespace {

struct RuleCase {
    const char* name;
    std::string reply; // CP949, as after conversion
    size_t minLength;
    bool positive;
    std::string suffix; // UTF-8
};

TEST(ReplyRules, PositiveOnlyFromStatusColonAndLength) {
    const RuleCase cases[] = {
        {"empty body", "", 10, false, ""},
        {"one byte", "1", 2, false, ""},
        {"one colon", ":", 1, false, ""},
        {"success shorter than the minimum shows an empty reason", "1:", 4, false, "\n\n☞ "},
        {"code without colon has no reason", "0", 1, false, ""},
        {"failure with the center's reason", K("0:잔여콜이 부족합니다."), 4, false,
         "\n\n☞ 잔여콜이 부족합니다."},
        {"exactly the minimum", "1:<SS>5</SS>", 12, true, "\n\n☞ <SS>5</SS>"},
        {"one byte below the minimum", "1:<SS>5</SS", 12, false, "\n\n☞ <SS>5</SS"},
        {"colon in first place", ":1<OK>1</OK>", 4, false, ""},
        {"no account", K("2:계정이 없습니다."), 10, false, "\n\n☞ 계정이 없습니다."},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(zmsg::IsPositiveReply(c.reply, c.minLength), c.positive);
        EXPECT_EQ(zmsg::Cp949ToUtf8(zmsg::ReasonSuffix(c.reply)), c.suffix);
    }
    EXPECT_TRUE(zmsg::HasStatus(K("2:계정이 없습니다."), '2'));
    EXPECT_FALSE(zmsg::HasStatus("2", '2'));
}

TEST(ReplyRules, ElementsReadLikeTheCLibrary) {
    const std::string reply = "1:<SS> 42abc</SS><NEG>-7</NEG><BIG>99999999999</BIG><ML>3000000001</ML>"
                              "<AS>12.5</AS><BAD>x1</BAD>";
    EXPECT_EQ(zmsg::ElementInt(reply, "SS"), 42);
    EXPECT_EQ(zmsg::ElementInt(reply, "NEG"), -7);
    EXPECT_EQ(zmsg::ElementInt(reply, "BIG"), INT_MAX);
    EXPECT_EQ(zmsg::ElementInt64(reply, "ML"), 3000000001LL);
    EXPECT_EQ(zmsg::ElementInt(reply, "MISSING"), 0);
    EXPECT_EQ(zmsg::ElementInt(reply, "BAD"), 0);
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(reply, "AS"), 12.5);
    EXPECT_DOUBLE_EQ(zmsg::ElementDouble(reply, "BAD"), 0.0);
}

struct WireCase {
    const char* name;
    const char* kind;
    std::string body;   // for raw
    std::string reason; // for fail, UTF-8 as the center sends it
    int posted;         // RequestPost's result
    bool positive;
    std::string suffix; // UTF-8
    ConnectionUse use = ConnectionUse::Fresh;
};

// What a transaction sees when the center (or the network) misbehaves in each way.
TEST(ReplyRules, FaultsAsTheClientSeesThem) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    const WireCase cases[] = {
        {"empty body", "raw", "", "", 1, false, ""},
        {"one byte", "raw", "1", "", 1, false, ""},
        {"too short", "short", "", "", 1, false, "\n\n☞ "},
        {"failure code with reason", "fail", "", "점포 계정이 정지되었습니다.", 1, false,
         "\n\n☞ 점포 계정이 정지되었습니다."},
        {"no colon", "nocolon", "", "", 1, false, ""},
        {"not UTF-8", "badutf8", "", "", 1, false, ""},
        {"HTTP 500", "http500", "", "", 0, false, ""},
        {"closed before acting", "close-before", "", "", 0, false, ""},
        // On a kept-alive connection libcurl asks again by itself; harmless for an information request.
        {"closed before acting, shared connection", "close-before", "", "", 1, true, "",
         ConnectionUse::Shared},
    };
    for (const WireCase& c : cases) {
        SCOPED_TRACE(c.name);
        zmsg::sim::Fault fault;
        fault.verb = "MARTINFO";
        fault.kind = *zmsg::sim::FaultKindFromName(c.kind);
        fault.body = c.body;
        fault.reason = c.reason;
        std::string reply = "stale";
        if (c.use == ConnectionUse::Shared) { // leaves a kept-alive connection to be reused
            ASSERT_EQ(RequestPost(zmsg::CenterUrl("/ZMSG/AppRequest.ashx"),
                                  "work=MARTINFO&mart=1001&ver=", reply, 0, ConnectionUse::Shared),
                      1);
        }
        fx.sim().Faults().Arm(fault);
        const int posted = RequestPost(zmsg::CenterUrl("/ZMSG/AppRequest.ashx"),
                                       "work=MARTINFO&mart=1001&ver=", reply, 0, c.use);
        EXPECT_EQ(posted, c.posted);
        const std::string converted = zmsg::ConvertReply(reply);
        EXPECT_EQ(zmsg::IsPositiveReply(converted, 10), c.positive);
        if (!c.positive) {
            EXPECT_EQ(zmsg::Cp949ToUtf8(zmsg::ReasonSuffix(converted)), c.suffix);
        }
        if (posted == 0) {
            EXPECT_TRUE(reply.empty());
        }
    }
    // Without a fault the same request is positive and its texts arrive in CP949.
    std::string reply;
    ASSERT_EQ(RequestPost(zmsg::CenterUrl("/ZMSG/AppRequest.ashx"), "work=MARTINFO&mart=1001&ver=", reply, 0),
              1);
    const std::string converted = zmsg::ConvertReply(reply);
    EXPECT_TRUE(zmsg::IsPositiveReply(converted, 10));
    EXPECT_EQ(CvexGlobal::GetParsedElement(converted, "ACC3"), K("(주)문자센터"));
}

// A reply is a few kilobytes (a result reply of a large send a megabyte or two): one that grows past
// the cap fails the request like a broken exchange, logged, and nothing of it reaches the caller; a
// reply at the cap still arrives whole.
TEST(ReplyRules, RepliesOverTheCapFailCleanly) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    QTemporaryDir host;
    ASSERT_TRUE(host.isValid());
    const std::string previousHost = g_strHostDir;
    g_strHostDir = host.path().toStdString() + "/";
    QDir(host.path()).mkdir(QStringLiteral("Log"));

    const std::string atCap = "1:<OK>1</OK>" + std::string(zmsg::kReplyCapBytes - 12, 'x');
    for (const std::string& body : {atCap, atCap + "y"}) {
        zmsg::sim::Fault fault;
        fault.verb = "SMSLIST";
        fault.kind = zmsg::sim::FaultKind::Raw;
        fault.body = body;
        fx.sim().Faults().Arm(fault);
        std::string reply = "stale";
        const int posted = RequestPost(zmsg::CenterUrl("/ZMSG/AppRequest.ashx"),
                                       "work=SMSLIST&mart=1001&ss=1", reply, 60000, ConnectionUse::Fresh);
        if (body.size() <= zmsg::kReplyCapBytes) {
            EXPECT_EQ(posted, 1);
            EXPECT_EQ(reply.size(), body.size());
        } else {
            EXPECT_EQ(posted, 0);
            EXPECT_TRUE(reply.empty());
        }
    }
    QFile log(QDir(host.path())
                  .filePath(QStringLiteral("Log/ZMSG_") +
                            zmsg::Clock::now().toString(QStringLiteral("yyyyMMdd")) +
                            QStringLiteral(".log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const std::string logged = zmsg::Cp949ToUtf8(log.readAll().toStdString());
    EXPECT_NE(logged.find("응답이 한도 " + std::to_string(zmsg::kReplyCapBytes) + " 바이트를 넘어 중단"),
              std::string::npos)
        << logged;
    g_strHostDir = previousHost;
}

} // namespace
