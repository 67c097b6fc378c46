// Form requests over real HTTP: settings, time-outs, the progress hook, and the connection rule that
// keeps a send's requests from being posted twice.
#include <gtest/gtest.h>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexconfig.h"
#include "sim/simserver.h"
#include "tests/support/simfixture.h"

namespace {

class TimeoutScale {
public:
    explicit TimeoutScale(double scale) { zmsg::SetRequestTimeoutScale(scale); }
    ~TimeoutScale() { zmsg::SetRequestTimeoutScale(1.0); }
};

zmsg::sim::Fault FaultOn(const char* verb, zmsg::sim::FaultKind kind, int delayMs = 0) {
    zmsg::sim::Fault f;
    f.verb = verb;
    f.kind = kind;
    f.delayMs = delayMs;
    return f;
}

std::string SmsUrl() {
    return zmsg::CenterUrl("/ZMSG/AppRequest.ashx");
}

// Begins a send of the demo store with the given phones in one batch; returns SS.
int BeginWithOneBatch(const std::vector<std::string>& phones) {
    std::string reply;
    const std::string begin =
        "work=SMSBEGIN&mart=1001&emp=1&tg=0&mg=0&rsv=&tp=S&sub=&msg=hello&cb=0212345678&call=" +
        std::to_string(phones.size());
    if (!RequestPost(SmsUrl(), begin, reply, 0, ConnectionUse::Fresh) || !zmsg::IsPositiveReply(reply, 12))
        return 0;
    const int ss = zmsg::ElementInt(reply, "SS");
    std::string list;
    for (const auto& p : phones)
        list += "}{" + p;
    const std::string batch = "work=SMSLIST&mart=1001&ss=" + std::to_string(ss) + "&seq=1&list=" + list;
    if (!RequestPost(SmsUrl(), batch, reply, 60000, ConnectionUse::Fresh) || !zmsg::IsPositiveReply(reply, 4))
        return 0;
    return ss;
}

TEST(RequestPost, HostsComeFromTheSettingsWithTheSimulatorAsDefault) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    EXPECT_EQ(zmsg::CenterHost(), fx.sim().BaseUrl());
    EXPECT_EQ(zmsg::OptOutUrl("/korvane/auth.php"), fx.sim().BaseUrl() + "/korvane/auth.php");
    CvexConfig config("ZMSG");
    config.SetConfigString("CENTER", "Host", "http://center.example:8080/");
    config.SetConfigString("CENTER", "OptOutHost", "  ");
    EXPECT_EQ(zmsg::CenterUrl("/SMMS/AppRequest.ashx"), "http://center.example:8080/SMMS/AppRequest.ashx");
    EXPECT_EQ(zmsg::OptOutHost(), "http://127.0.0.1:8470");
}

TEST(RequestPost, CommunicationFailuresGiveZeroAndAnEmptyReply) {
    std::string reply = "stale";
    {
        SimFixture fx;
        ASSERT_TRUE(fx.ok());
        const std::string url = SmsUrl();
        fx.sim().Stop();
        EXPECT_EQ(RequestPost(url, "work=MARTINFO&mart=1001&ver=", reply, 0), 0) << "nobody listening";
        EXPECT_TRUE(reply.empty());
    }
    EXPECT_EQ(RequestPost("not a url", "work=MARTINFO", reply, 0), 0);
    EXPECT_EQ(RequestPost("file:///etc/passwd", "", reply, 0), 0) << "only http is spoken";
}

TEST(RequestPost, TimeOutsExpireAndTheHookRunsMeanwhile) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    // The default for 0 is finite, and a test can shorten every time-out.
    EXPECT_EQ(zmsg::EffectiveTimeoutMs(0), zmsg::kDefaultRequestTimeoutMs);
    EXPECT_EQ(zmsg::EffectiveTimeoutMs(60000), 60000);

    int calls = 0;
    zmsg::ScopedRequestProgress progress([&] { ++calls; });
    std::string reply;
    {
        TimeoutScale scale(0.002); // 60000 ms -> 120 ms
        EXPECT_EQ(zmsg::EffectiveTimeoutMs(60000), 120);
        EXPECT_EQ(zmsg::RetryPauseMs(1000), 2);
        fx.sim().Faults().Arm(FaultOn("SMSLIST", zmsg::sim::FaultKind::Delay, 10000));
        EXPECT_EQ(RequestPost(SmsUrl(), "work=SMSLIST&mart=1001&ss=1&seq=1&list=", reply, 60000,
                              ConnectionUse::Fresh),
                  0);
    }
    EXPECT_GT(calls, 0) << "the caller's window must be able to repaint while it waits";

    // A slow answer within the time-out is an answer.
    fx.sim().Faults().Arm(FaultOn("MARTINFO", zmsg::sim::FaultKind::Delay, 200));
    EXPECT_EQ(RequestPost(SmsUrl(), "work=MARTINFO&mart=1001&ver=", reply, 0), 1);
    EXPECT_TRUE(zmsg::IsPositiveReply(reply, 10));
    EXPECT_EQ(fx.sim().Requests().All().back().fault, "delay");
}

// The center acts on an end request and the connection breaks before the reply: a fresh connection
// reports a communication failure and the center saw the end once; a reused one would make libcurl
// post it again behind the caller's back.
TEST(RequestPost, FreshConnectionNeverResendsAnEndTheCenterActedOn) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    std::string reply;

    const int ss = BeginWithOneBatch({"01011112222", "01033334444"});
    ASSERT_GT(ss, 0);
    ASSERT_EQ(RequestPost(SmsUrl(), "work=MARTINFO&mart=1001&ver=", reply, 0, ConnectionUse::Shared), 1)
        << "leaves a kept-alive connection in the shared cache";
    fx.sim().Faults().Arm(FaultOn("SMSEND", zmsg::sim::FaultKind::CloseAfter));
    const std::string end = "work=SMSEND&mart=1001&ss=" + std::to_string(ss);
    EXPECT_EQ(RequestPost(SmsUrl(), end, reply, 120000, ConnectionUse::Fresh), 0);
    EXPECT_EQ(fx.sim().Requests().Count("SMSEND"), 1);
    ASSERT_TRUE(fx.sim().Center().SmsSend(ss)->ended) << "the center acted; only the reply was lost";
    EXPECT_DOUBLE_EQ(fx.sim().Center().StoreOf(1001)->balance, 5000 - 2);

    // The transaction's own retry then learns the outcome, and nothing is charged again.
    EXPECT_EQ(RequestPost(SmsUrl(), end, reply, 120000, ConnectionUse::Fresh), 1);
    EXPECT_EQ(zmsg::ElementInt(reply, "CALL_SENT"), 2);
    EXPECT_DOUBLE_EQ(fx.sim().Center().StoreOf(1001)->balance, 5000 - 2);
}

TEST(RequestPost, ReusedConnectionLetsLibcurlResendTheEnd) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    std::string reply;
    const int ss = BeginWithOneBatch({"01055556666"});
    ASSERT_GT(ss, 0);
    ASSERT_EQ(RequestPost(SmsUrl(), "work=MARTINFO&mart=1001&ver=", reply, 0, ConnectionUse::Shared), 1);
    fx.sim().Faults().Arm(FaultOn("SMSEND", zmsg::sim::FaultKind::CloseAfter));
    const std::string end = "work=SMSEND&mart=1001&ss=" + std::to_string(ss);
    EXPECT_EQ(RequestPost(SmsUrl(), end, reply, 120000, ConnectionUse::Shared), 1)
        << "libcurl hides the broken exchange";
    EXPECT_EQ(fx.sim().Requests().Count("SMSEND"), 2) << "and the center received the end twice";
}

TEST(RequestPost, ClosedBeforeActingLeavesTheCenterUntouched) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    std::string reply;
    fx.sim().Faults().Arm(FaultOn("SMSBEGIN", zmsg::sim::FaultKind::CloseBefore));
    EXPECT_EQ(BeginWithOneBatch({"01011112222"}), 0);
    EXPECT_FALSE(fx.sim().Center().SmsSend(5001).has_value());
    EXPECT_EQ(fx.sim().Requests().Count("SMSBEGIN"), 1);
}

} // namespace
