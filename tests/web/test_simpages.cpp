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

// The history, charge and price tabs show the store's own account as the simulator holds it, so a send
// made in the dialog can be found there.
TEST_F(SimPagesTest, HistoryChargeAndPriceTabsShowTheStoresAccount) {
    zmsg::sim::CenterState& center = m_fx.sim().Center();
    auto send = [&](const char* kind, const char* reservation, std::vector<std::string> phones) {
        const std::string begin =
            center.Handle("/ZMSG/AppRequest.ashx", {{"work", "SMSBEGIN"},
                                                    {"mart", "1001"},
                                                    {"emp", "7"},
                                                    {"tg", "0"},
                                                    {"mg", "0"},
                                                    {"rsv", reservation},
                                                    {"tp", kind},
                                                    {"sub", ""},
                                                    {"msg", "hello"},
                                                    {"cb", "0212345678"},
                                                    {"call", std::to_string(phones.size())}});
        const std::string ss = begin.substr(begin.find("<SS>") + 4, 4);
        std::string list;
        for (const auto& p : phones)
            list += "}{" + p + "||";
        center.Handle("/ZMSG/AppRequest.ashx",
                      {{"work", "SMSLIST"}, {"mart", "1001"}, {"ss", ss}, {"seq", "1"}, {"list", list}});
        return center.Handle("/ZMSG/AppRequest.ashx", {{"work", "SMSEND"}, {"mart", "1001"}, {"ss", ss}});
    };
    ASSERT_EQ(send("S", "", {"01011112221", "01011112227"}).rfind("1:", 0), 0u);
    ASSERT_EQ(send("L", "209901021030", {"01011112222"}).rfind("1:", 0), 0u);

    const std::string history = Get(zmsg::SmsPageUrl(3, 1001, 7));
    EXPECT_TRUE(Has(history, "<title>전송내역</title>"));
    // Newest first: the reserved LMS (3 calls, waiting), then the SMS (one delivered, one failed).
    const size_t lms = history.find("<td>LMS</td><td>2099-01-02 10:30</td><td>1</td><td>1</td><td>3콜</td>"
                                    "<td>0</td><td>0</td><td>1</td><td>예약</td>");
    const size_t sms = history.find("<td>SMS</td><td>-</td><td>2</td><td>2</td><td>2콜</td>"
                                    "<td>1</td><td>1</td><td>0</td><td>완료</td>");
    EXPECT_NE(lms, std::string::npos) << history;
    EXPECT_NE(sms, std::string::npos) << history;
    EXPECT_LT(lms, sms);

    const std::string charges = Get(zmsg::SmsPageUrl(4, 1001, 7));
    EXPECT_TRUE(Has(charges, "<b id=\"balance\">4,995콜</b>")) << charges;
    EXPECT_TRUE(Has(charges, "<td>기본 충전</td><td>5,000콜</td><td>5,000콜</td>"));
    EXPECT_TRUE(Has(charges, "<td>SMS 전송 2건 (SS=5001)</td><td>-2콜</td><td>4,998콜</td>"));
    EXPECT_TRUE(Has(charges, "<td>LMS 전송 1건 (SS=5002)</td><td>-3콜</td><td>4,995콜</td>"));

    const std::string prices = Get(zmsg::SmsPageUrl(5, 1001, 7));
    EXPECT_TRUE(Has(prices, "<td>LMS (장문, 2,000바이트)</td><td>3콜</td>"));
    const std::string prepaid = Get(zmsg::SmsPageUrl(5, 1002, 7));
    EXPECT_TRUE(Has(prepaid, "<td>SMS (단문, 90바이트)</td><td>20원</td>"));
    // A store the center does not know sees no account.
    EXPECT_TRUE(Has(Get(zmsg::SmsPageUrl(3, 4242, 7)), "잘못된 접근입니다."));
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

TEST_F(SimPagesTest, CallbackPageListsTheStoresRegisteredNumbers) {
    const std::string page = Get(zmsg::CallbackPageUrl(1001));
    EXPECT_TRUE(Has(page, "<title>발신번호 선택</title>"));
    EXPECT_TRUE(Has(page, "행복마트"));
    for (const char* number : {"0212345678", "01055556666", "0312345670"})
        EXPECT_TRUE(Has(page, std::string("value=\"") + number + "\"")) << number;
    EXPECT_TRUE(Has(page, "02-1234-5678"));
    EXPECT_TRUE(Has(page, "function jsGetCopyCallback()"));
    EXPECT_TRUE(Has(page, "cmd=DoCopyCallbackToApp"));

    const auto requests = m_fx.sim().Requests().All();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].verb, "PAGE");
    const auto field = [&](const char* name) {
        for (const auto& [k, v] : requests[0].fields)
            if (k == name)
                return v;
        return std::string();
    };
    EXPECT_EQ(field("mart"), "1001");
    EXPECT_EQ(field("ts"), "0705090302");

    // A store with one number shows only that one.
    const std::string other = Get(zmsg::CallbackPageUrl(1002));
    EXPECT_TRUE(Has(other, "value=\"0311234567\""));
    EXPECT_FALSE(Has(other, "01055556666"));
}

} // namespace

namespace {

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
