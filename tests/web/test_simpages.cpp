// The simulator's pages over real HTTP, as a browser fetches them: the page functions and command
// links the dialogs rely on, and the refusal of addresses the module would never make.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QDateTime>

#include "center/web/pageurls.h"
#include "frame/clock.h"
#include "sim/pages.h"
#include "tests/support/simfixture.h"

namespace {

class SimPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 2, 3), QTime(9, 5, 7)));
    }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }

    // Body of a GET of the address (full URL or path), "(none)" when nothing came back.
    std::string Get(const std::string& url) {
        const std::string base = m_fx.sim().BaseUrl();
        const std::string path = url.rfind(base, 0) == 0 ? url.substr(base.size()) : url;
        httplib::Client client("127.0.0.1", m_fx.sim().Port());
        const auto res = client.Get(path.c_str());
        if (!res)
            return "(none)";
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_NE(res->get_header_value("Content-Type").find("charset=utf-8"), std::string::npos);
        return res->body;
    }
    static bool Has(const std::string& body, const std::string& part) {
        return body.find(part) != std::string::npos;
    }

    SimFixture m_fx;
};

TEST_F(SimPagesTest, EveryMessageTabOffersThePageFunctions) {
    for (int tab = 1; tab <= 5; ++tab) {
        const std::string page = Get(zmsg::SmsPageUrl(tab, 1001, 7));
        EXPECT_TRUE(Has(page, "function jsGetCopyMsg()")) << tab;
        EXPECT_TRUE(Has(page, "function jsGetCopyTitle()")) << tab;
        EXPECT_EQ(Has(page, "cmd=DoCopyMsgToApp"), tab <= 2) << tab;
        EXPECT_EQ(Has(page, "cmd=DoReloadCall"), tab == 5) << tab;
    }
    EXPECT_EQ(m_fx.sim().Requests().Count("PAGE"), 5);
}

TEST_F(SimPagesTest, MalformedTokensAndStampsGetTheRefusalPage) {
    const std::string good = zmsg::SmsPageUrl(1, 1001, 7);
    const std::string token = good.substr(good.find("&pm=") + 4);
    std::string wrongYear = token; // the year field no longer divides by the multiplier
    wrongYear[wrongYear.size() - 9] = wrongYear[wrongYear.size() - 9] == '9' ? '8' : '9';
    struct Row {
        const char* name;
        std::string path;
    };
    const Row rows[] = {
        {"no token", "/ZMSG/appSMS.aspx?tab=1"},
        {"letters", "/ZMSG/appSMS.aspx?tab=1&pm=12abc"},
        {"too short", "/ZMSG/appSMS.aspx?tab=1&pm=" + token.substr(0, 39)},
        {"year not a multiple", "/ZMSG/appSMS.aspx?tab=1&pm=" + wrongYear},
        {"no such tab", "/ZMSG/appSMS.aspx?tab=6&pm=" + token},
        {"callback without stamp", "/ZMSG/SelCallback.aspx?mart=1001"},
        {"callback stamp of month 13", "/ZMSG/SelCallback.aspx?mart=1001&ts=0705090313"},
        {"callback of an unknown store", "/ZMSG/SelCallback.aspx?mart=4242&ts=0705090302"},
    };
    for (const Row& r : rows) {
        const std::string page = Get(r.path);
        EXPECT_TRUE(Has(page, "잘못된 접근입니다.")) << r.name;
        EXPECT_FALSE(Has(page, "function js")) << r.name;
    }
    EXPECT_TRUE(Has(Get(good), "function jsGetCopyMsg()"));
}

// The app-message pages: each with its page function and command link; the image box's pictures are
// on the page and at their download address; a store without an app account, or a made-up token, gets
// a refusal without any page function.
std::string Picture(SimFixture& fx, const std::string& path) {
    httplib::Client client("127.0.0.1", fx.sim().Port());
    const auto res = client.Get(path.c_str());
    if (!res || res->status != 200 || res->get_header_value("Content-Type") != "image/jpeg")
        return "(none)";
    return res->body;
}

TEST_F(SimPagesTest, AppMessagePagesOfferTheirFunctionsAndPictures) {
    const std::string box = Get(zmsg::SmmsPageUrl("IMGBOX", 1001, 7));
    EXPECT_TRUE(Has(box, "function jsGetImgBoxInfo()"));
    EXPECT_TRUE(Has(box, "cmd=DoUseWebImgBox"));
    for (int image = 1; image <= 3; ++image) {
        const std::string path = "/SMMS/ImageBox/1001/1_" + std::to_string(image) + ".jpg";
        EXPECT_TRUE(Has(box, "src=\"" + path + "\"")) << image;
        const std::string jpeg = Picture(m_fx, path);
        EXPECT_EQ(jpeg.substr(0, 3), "\xff\xd8\xff") << image;
    }
    EXPECT_NE(Picture(m_fx, "/SMMS/ImageBox/1001/1_1.jpg"), Picture(m_fx, "/SMMS/ImageBox/1001/1_2.jpg"));
    EXPECT_EQ(Picture(m_fx, "/SMMS/ImageBox/1001/1_4.jpg"), "(none)");
    for (const char* page : {"SENDED", "OPENMSG"}) {
        const std::string html = Get(zmsg::SmmsPageUrl(page, 1001, 7));
        EXPECT_TRUE(Has(html, "function jsGetCopyMsg()")) << page;
        EXPECT_FALSE(Has(html, "jsGetImgBoxInfo")) << page;
    }
    EXPECT_TRUE(Has(Get(zmsg::SmmsPageUrl("OPENMSG", 1001, 7)), "cmd=DoUseWebCopyMsg"));
    EXPECT_TRUE(Has(Get(zmsg::SmmsPageUrl("SENDED", 1001, 7)), "전송한 AlderS 문자가 없습니다."));

    for (const std::string& refused :
         {zmsg::SmmsPageUrl("IMGBOX", 1003, 7), zmsg::SmmsPageUrl("NOPAGE", 1001, 7),
          std::string("/SMMS/AppSMMS.aspx?page=IMGBOX&pm=123")}) {
        const std::string html = Get(refused);
        EXPECT_TRUE(Has(html, "잘못된 접근입니다.")) << refused;
        EXPECT_FALSE(Has(html, "function js")) << refused;
    }
}

} // namespace
