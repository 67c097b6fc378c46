// Which navigations are page commands, and the addresses of the center's pages: what the module
// asks for must be what the center accepts.
#include <gtest/gtest.h>

#include <QDateTime>

#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "sim/pages.h"
#include "tests/support/simfixture.h"

namespace {

const std::vector<std::string> kSms = {"DoCopyMsgToApp", "DoReloadCall"};
const std::vector<std::string> kSmms = {"DoUseWebImgBox", "DoUseWebCopyMsg"};

TEST(PageCommand, FoundAnywhereCaseSensitiveFirstInOrderWins) {
    struct Row {
        const char* name;
        const std::vector<std::string>* words;
        const char* url;
        int expected;
    };
    const Row rows[] = {
        {"command as path", &kSms, "http://h/ZMSG/DoCopyMsgToApp", 0},
        {"command inside the query", &kSms, "http://h/ZMSG/appSMS.aspx?tab=1&cmd=DoCopyMsgToApp&pm=1", 0},
        {"command glued to other text", &kSms, "http://h/x?aDoCopyMsgToAppz", 0},
        {"lower case is an ordinary link", &kSms, "http://h/x?docopymsgtoapp", -1},
        {"reload", &kSms, "http://h/ZMSG/appSMS.aspx?tab=5&cmd=DoReloadCall", 1},
        {"both: the first of the table wins", &kSms, "http://h/?DoReloadCall&DoCopyMsgToApp", 0},
        {"image box before copy", &kSmms, "http://h/?DoUseWebCopyMsg&DoUseWebImgBox", 0},
        {"copy alone", &kSmms, "http://h/?DoUseWebCopyMsg", 1},
        {"another dialog's command", &kSmms, "http://h/?DoCopyMsgToApp", -1},
        {"empty address", &kSms, "", -1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(zmsg::FindPageCommand(r.url, *r.words), r.expected) << r.name;
}

class PageUrlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_fx.ok()); }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }
    SimFixture m_fx;
};

TEST_F(PageUrlTest, AddressesFollowTheCenterHostAndCarryTheirStamps) {
    // 09:05:07 on 3 February
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 2, 3), QTime(9, 5, 7)));
    EXPECT_EQ(zmsg::CallbackPageUrl(1001), m_fx.url("/ZMSG/SelCallback.aspx?mart=1001&ts=0705090302"));
    EXPECT_EQ(zmsg::CouponSelectedUrl(12),
              m_fx.url("/CouponIssue/CouponSelected.aspx?cp=12&ts=20260203090507"));

    const std::string token = theApp().MakeTimeToken(1001, 7);
    EXPECT_EQ(zmsg::SmsPageUrl(3, 1001, 7), m_fx.url("/ZMSG/appSMS.aspx?tab=3&pm=" + token));
    EXPECT_EQ(zmsg::SmmsPageUrl("IMGBOX", 1001, 7), m_fx.url("/SMMS/AppSMMS.aspx?page=IMGBOX&pm=" + token));
    EXPECT_EQ(zmsg::CouponPageUrl("ISSUELIST", 1001, 7),
              m_fx.url("/CouponIssue/AppCoupon.aspx?page=ISSUELIST&pm=" + token));
}

TEST_F(PageUrlTest, TheCenterAcceptsEveryTokenAndStampTheModuleMakes) {
    // Every second of a minute changes the multiplier; the edges of the day and the year too.
    const QDateTime starts[] = {QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)),
                                QDateTime(QDate(2026, 12, 31), QTime(23, 59, 0)),
                                QDateTime(QDate(2099, 2, 28), QTime(12, 30, 0))};
    for (const QDateTime& start : starts) {
        for (int s = 0; s < 60; ++s) {
            zmsg::Clock::setFixed(start.addSecs(s));
            for (const int32_t mart : {1001, 1, 999999}) {
                const std::string token = theApp().MakeTimeToken(mart, 42);
                EXPECT_TRUE(zmsg::sim::IsWellFormedPageToken(token)) << token;
            }
            const std::string url = zmsg::CallbackPageUrl(1001);
            EXPECT_TRUE(zmsg::sim::IsWellFormedCallbackStamp(url.substr(url.size() - 10))) << url;
        }
    }
}

} // namespace
