// The simulated center's coupon verbs over real HTTP: the store check, a repeated batch not counted
// twice, a repeated end answering as the first without ending twice, and who received which coupon in
// /_sim/state.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/web/pageurls.h"
#include "tests/support/simfixture.h"

namespace {

std::string Post(const std::string& body) {
    std::string reply;
    if (!RequestPost(zmsg::CenterUrl("/CouponIssue/AppRequest.ashx"), body, reply, 0, ConnectionUse::Fresh))
        return "(none)";
    return zmsg::ConvertReply(reply);
}

TEST(SimCoupon, IssueVerbsAreIdempotentAndTheStateShowsWhoGotWhich) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    EXPECT_EQ(Post("work=MARTINFO&mart=1003&ver=").rfind("2:", 0), 0u);
    EXPECT_EQ(Post("work=MARTINFO&mart=4321&ver=").rfind("0:", 0), 0u);
    const std::string info = Post("work=MARTINFO&mart=1001&ver=1.0.0.1");
    EXPECT_TRUE(zmsg::IsPositiveReply(info, 10)) << info;

    const std::string begin = Post("work=ISSUEBEGIN&mart=1001&emp=1&cp=12&istp=2");
    const int issue = zmsg::ElementInt(begin, "ISSUE");
    ASSERT_GT(issue, 0) << begin;
    const std::string user = "work=ISSUEUSER&mart=1001&issue=" + std::to_string(issue);
    EXPECT_EQ(zmsg::ElementInt(Post(user + "&seq=1&tran=}{01012340001}{01012340002"), "OK"), 2);
    // The same batch again (its reply was lost): replaced, not added.
    EXPECT_EQ(zmsg::ElementInt(Post(user + "&seq=1&tran=}{01012340001}{01012340002"), "OK"), 2);
    EXPECT_EQ(zmsg::ElementInt(Post(user + "&seq=2&tran=}{01012340003"), "OK"), 1);
    const std::string end = "work=ISSUEEND&mart=1001&issue=" + std::to_string(issue);
    const std::string first = Post(end);
    EXPECT_EQ(zmsg::ElementInt(first, "ISSUED"), 3) << first;
    EXPECT_EQ(Post(end), first);
    // Nothing more once ended.
    EXPECT_EQ(Post(user + "&seq=3&tran=}{01012340004").rfind("0:", 0), 0u);

    httplib::Client control("127.0.0.1", fx.sim().Port());
    const auto res = control.Get("/_sim/state");
    ASSERT_TRUE(res);
    const QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
    const QJsonArray issues = state.value(QStringLiteral("issues")).toArray();
    ASSERT_EQ(issues.size(), 1);
    const QJsonObject o = issues.at(0).toObject();
    EXPECT_EQ(o.value(QStringLiteral("coupon")).toInt(), 12);
    EXPECT_TRUE(o.value(QStringLiteral("ended")).toBool());
    const QJsonObject given = o.value(QStringLiteral("given")).toObject();
    EXPECT_EQ(given.size(), 3);
    for (const char* phone : {"01012340001", "01012340002", "01012340003"})
        EXPECT_EQ(given.value(QLatin1String(phone)).toInt(), 1) << phone;
}

// The coupon pages: the store's coupons with the choosing command and page function, its issues,
// and the chosen coupon.
TEST(SimCoupon, CouponPages) {
    SimFixture fx;
    ASSERT_TRUE(fx.ok());
    const std::string begin = Post("work=ISSUEBEGIN&mart=1001&emp=1&cp=13&istp=1");
    ASSERT_EQ(Post("work=ISSUEEND&mart=1001&issue=" + std::to_string(zmsg::ElementInt(begin, "ISSUE")))
                  .rfind("1:", 0),
              0u);
    httplib::Client client("127.0.0.1", fx.sim().Port());
    auto get = [&](const std::string& url) {
        const std::string path = url.substr(url.find('/', std::string("http://").size()));
        const auto res = client.Get(path);
        return res && res->status == 200 ? res->body : std::string("(none)");
    };
    const std::string coupons = get(zmsg::CouponPageUrl("COUPON", 1001, 1));
    EXPECT_NE(coupons.find("function jsGetCouponInfo()"), std::string::npos);
    EXPECT_NE(coupons.find("cmd=DoSelectCoupon"), std::string::npos);
    EXPECT_NE(coupons.find("삼겹살 20% 할인"), std::string::npos);
    const std::string issues = get(zmsg::CouponPageUrl("ISSUELIST", 1001, 1));
    EXPECT_NE(issues.find("우유 1+1"), std::string::npos);
    EXPECT_NE(issues.find("발행완료"), std::string::npos);
    EXPECT_NE(get(zmsg::CouponSelectedUrl(12)).find("3만원 이상 3천원 할인"), std::string::npos);
    EXPECT_NE(get(zmsg::CouponSelectedUrl(0)).find("id=\"none\""), std::string::npos);
    // A store without a coupon account gets the refusal page.
    EXPECT_NE(get(zmsg::CouponPageUrl("COUPON", 1003, 1)).find("잘못된 접근"), std::string::npos);
}

} // namespace
