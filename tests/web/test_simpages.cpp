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
        EXPECT_TRUE(Has(page, tab < 5 ? "cmd=DoCopyMsgToApp" : "cmd=DoReloadCall")) << tab;
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
