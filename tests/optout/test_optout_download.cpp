// Authentication and the call list download against the simulated opt-out server, stored in a real
// SQLite store: what the store holds afterwards and what the user is told.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QTemporaryDir>

#include "center/phonemask.h"

#include "center/centerconfig.h"
#include "center/requestclient.h"
#include "frame/urlopener.h"
#include "host/demodb.h"
#include "optout/optoutprotocol.h"
#include "optout/refusalcompletion.h"
#include "optout/refusallist.h"
#include "sim/formdata.h"
#include "tests/optout/optoutstore.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"
#include "text/textscan.h"

using zmsg::Cp949ToUtf8;

namespace {

constexpr const char* kBizNumber = "123-45-67890";

class OptOutDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        ASSERT_TRUE(m_store.ok());
    }

    std::string session(int store = 1001, const char* biz = kBizNumber) {
        const OptOutAuth a = AuthenticateOptOut(biz, store, AuthFormatTextRefuseList());
        EXPECT_EQ(a.result, 1000) << Cp949ToUtf8(a.message);
        return a.sessionId;
    }

    // Adds calls through the control surface, as a tester or the demo would.
    void addCalls(const std::string& form) {
        std::string reply;
        ASSERT_EQ(RequestPost(m_fx.url("/_sim/optout"), form, reply, 0), 1);
        ASSERT_EQ(reply, "ok\n");
    }

    void armFault(const std::string& form) {
        std::string reply;
        ASSERT_EQ(RequestPost(m_fx.url("/_sim/fault"), form, reply, 0), 1);
        ASSERT_EQ(reply, "armed\n");
    }

    // The DATE and TIME the last call list request carried.
    std::string lastAsked() {
        std::string xml;
        for (const auto& r : m_fx.sim().Requests().All())
            if (r.verb == "CALLLIST")
                xml = zmsg::sim::FieldOf(r.fields, "xml");
        return zmsg::ElementText(xml, "DATE") + " " + zmsg::ElementText(xml, "TIME");
    }

    DownloadOutcome download(const std::string& id) { return DownloadRequests(m_store.db(), id, 7); }

    SimFixture m_fx;
    OptOutStore m_store;
};

TEST_F(OptOutDownload, AuthenticationGivesASessionAndTheStoresNumber) {
    const OptOutAuth a = AuthenticateOptOut(kBizNumber, 1001, AuthFormatTextSmsDialog());
    EXPECT_EQ(a.result, 1000);
    EXPECT_FALSE(a.sessionId.empty());
    EXPECT_EQ(a.number080, "0807001001");
    EXPECT_TRUE(a.message.empty());

    const OptOutAuth wrong = AuthenticateOptOut("999-99-99999", 1001, AuthFormatTextRefuseList());
    EXPECT_EQ(wrong.result, 3001);
    EXPECT_TRUE(wrong.sessionId.empty());
    EXPECT_EQ(Cp949ToUtf8(wrong.message),
              "등록되지 않은 점포이거나 사업자번호가 다릅니다.(상태확인-응답코드:3001)");

    armFault("verb=AUTH&nth=1&kind=http500");
    const OptOutAuth lost = AuthenticateOptOut(kBizNumber, 1001, AuthFormatTextRefuseList());
    EXPECT_EQ(lost.result, -1);
    EXPECT_EQ(Cp949ToUtf8(lost.message), "인증요청 페이지가 응답하지 않습니다.");

    armFault(
        "verb=AUTH&nth=1&kind=raw&body=<AUTH><Result>1000</Result><Message/><SessionID>X</SessionID></AUTH>");
    const OptOutAuth partial = AuthenticateOptOut(kBizNumber, 1001, AuthFormatTextRefuseList());
    EXPECT_EQ(partial.result, -1);
    EXPECT_TRUE(partial.sessionId.empty());
    EXPECT_EQ(Cp949ToUtf8(partial.message), "인증처리 응답형식이 올바르지 않습니다.(AUTH_RNumber)");
}

TEST_F(OptOutDownload, DownloadsStoreNewRequestsOnceWithTheirCallersSuperseded) {
    // Without a session nothing is asked.
    EXPECT_FALSE(download("").ran);
    EXPECT_EQ(lastAsked(), " ");

    const std::string id = session();
    // An empty table asks from the first day of the service; the server's three calls are stored.
    DownloadOutcome d = download(id);
    EXPECT_EQ(lastAsked(), "20150601 0");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.store.stored, 3);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "데이타 수신이 완료되었습니다.\n저장 : 3 건");
    EXPECT_EQ(d.notice.logLevel, -1);
    EXPECT_EQ(m_store.Requests(),
              (std::vector<std::string>{"20250302 93015 01020429082 1", "20250302 141500 01088266648 1",
                                        "20250305 80101 01039246396 1"}));
    // Numbers are stored masked, with the employee who downloaded them.
    EXPECT_EQ(m_store.Value("SELECT sr_rnumber FROM smsrefuse WHERE sr_code=1"), "01020xx9082");
    EXPECT_EQ(m_store.Value("SELECT sr_cnumber FROM smsrefuse WHERE sr_code=1"), "0807xx1001");
    EXPECT_EQ(m_store.Value("SELECT sr_emp FROM smsrefuse WHERE sr_code=3"), "7");
    EXPECT_NE(m_store.Value("SELECT sr_idate FROM smsrefuse WHERE sr_code=3"), "");

    // Again: the newest stored second is asked for again, and what comes back is already held.
    d = download(id);
    EXPECT_EQ(lastAsked(), "20250305 80100");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.store.stored, 0);
    EXPECT_EQ(d.store.duplicates, 1);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "추가된 수신거부 요청이 없습니다.");
    EXPECT_EQ(m_store.Count("smsrefuse"), 3);

    // Two callers in the same second are two requests; a caller who calls again supersedes his open
    // request, also within one reply.
    addCalls("date=2025-03-06&time=100000&p=01011112222&date=2025-03-06&time=100000&p=01033334444"
             "&date=2025-03-06&time=110000&p=01020429082"
             "&date=2025-03-06&time=120000&p=01077778888&date=2025-03-06&time=120005&p=01077778888");
    d = download(id);
    EXPECT_EQ(d.store.stored, 5);
    EXPECT_EQ(d.store.superseded, 2);
    EXPECT_EQ(m_store.Requests(),
              (std::vector<std::string>{"20250302 93015 01020429082 3", "20250302 141500 01088266648 1",
                                        "20250305 80101 01039246396 1", "20250306 100000 01011112222 1",
                                        "20250306 100000 01033334444 1", "20250306 110000 01020429082 1",
                                        "20250306 120000 01077778888 3", "20250306 120005 01077778888 1"}));
    EXPECT_EQ(m_store.Value("SELECT sr_emp FROM smsrefuse WHERE sr_code=1"), "7");
    EXPECT_NE(m_store.Value("SELECT sr_edate FROM smsrefuse WHERE sr_code=1"), "");

    // A store whose server holds nothing new: result 2000, logged and shown, nothing stored.
    d = download(session(1002, "234-56-78901"));
    EXPECT_FALSE(d.completed);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "추가된 수신거부 요청이 없습니다.");
    EXPECT_EQ(d.notice.logLevel, 16);
    EXPECT_EQ(m_store.Count("smsrefuse"), 8);

    // The server's state shows the calls and every call list asked for.
    const std::string state = m_fx.sim().OptOut().ToJson();
    EXPECT_NE(state.find("\"calllists\""), std::string::npos);
    EXPECT_NE(state.find("\"p\":\"01077778888\""), std::string::npos);
}

TEST_F(OptOutDownload, ARequestCalledInTheSameSecondAsTheNewestStoredOneIsNotSkipped) {
    m_fx.sim().Reset();
    addCalls("mart=1001&date=2025-04-01&time=90000&p=01020000001&date=2025-04-01&time=90000&p=01020000002");
    // A download that stopped after the first of the pair: the newest stored second is 09:00:00.
    ASSERT_TRUE(StoreRequests(m_store.db(), {{"20250401", "90000", "0807001001", "01020000001"}}, 7).ok);
    const DownloadOutcome d = download(session());
    EXPECT_EQ(lastAsked(), "20250401 85959");
    EXPECT_EQ(d.store.stored, 1);
    EXPECT_EQ(d.store.duplicates, 1);
    EXPECT_EQ(m_store.Requests(),
              (std::vector<std::string>{"20250401 90000 01020000001 1", "20250401 90000 01020000002 1"}));

    // The newest stored request at midnight: asked from the last second of the day before.
    m_fx.sim().Reset();
    addCalls("date=2025-04-02&time=0&p=01020000003");
    ASSERT_TRUE(StoreRequests(m_store.db(), {{"20250402", "0", "0807001001", "01020000004"}}, 7).ok);
    EXPECT_EQ(download(session()).store.stored, 1);
    EXPECT_EQ(lastAsked(), "20250401 235959");
}

TEST_F(OptOutDownload, ARecordThatFailsACheckIsLeftOutAndTheOthersAreStored) {
    const std::string id = session();
    ASSERT_EQ(download(id).store.stored, 3);
    m_store.AddMember(1, "01020429082");
    const int members = m_store.Count("member");

    struct Row {
        const char* name;
        std::string bad; // the record beside a good one
    };
    const Row rows[] = {
        {"time as sql",
         "<LIST><DATE>2025-03-07</DATE><TIME>0 OR 1=1</TIME><CN>0807001001</CN><P>010</P></LIST>"},
        {"caller as sql",
         "<LIST><DATE>2025-03-07</DATE><TIME>2</TIME><CN>0807001001</CN><P>0;DELETE member--</P></LIST>"},
        {"date as sql", "<LIST><DATE>0 OR 1=1</DATE><TIME>2</TIME><CN>0807001001</CN><P>010</P></LIST>"},
        {"slashed date", "<LIST><DATE>2025/03/07</DATE><TIME>2</TIME><CN>0807001001</CN><P>010</P></LIST>"},
        {"a list without its caller",
         "<LIST><DATE>2025-03-07</DATE><TIME>2</TIME><CN>0807001001</CN></LIST>"},
    };
    int round = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ++round;
        const std::string good = "<LIST><DATE>2025-03-07</DATE><TIME>" + std::to_string(round) +
                                 "</TIME><CN>0807001001</CN><P>0104000000" + std::to_string(round) +
                                 "</P></LIST>";
        armFault(
            "verb=CALLLIST&nth=1&kind=raw&body=" +
            zmsg::UrlEncode("<DNC><Result>1000</Result><Message>ok</Message>" + good + r.bad + "</DNC>"));
        const int before = m_store.Count("smsrefuse");
        const DownloadOutcome d = download(id);
        EXPECT_TRUE(d.completed);
        EXPECT_EQ(d.store.stored, 1);
        EXPECT_EQ(d.skipped, 1);
        EXPECT_EQ(Cp949ToUtf8(d.notice.text),
                  "데이타 수신이 완료되었습니다.\n저장 : 1 건\n형식오류로 제외 : 1 건 (로그 참조)");
        EXPECT_EQ(d.notice.logLevel, -1);
        EXPECT_EQ(m_store.Count("smsrefuse"), before + 1);
        EXPECT_EQ(m_store.Value("SELECT COUNT(*) FROM smsrefuse WHERE sr_time=" + std::to_string(round) +
                                " AND sr_day=20250307"),
                  "1");
        EXPECT_EQ(m_store.Count("member"), members);
    }
    const auto before = m_store.Rows("SELECT * FROM smsrefuse ORDER BY sr_code");
    armFault("verb=CALLLIST&nth=1&kind=raw&body=" + zmsg::UrlEncode("<DNC><Result>1000</Result>"));
    DownloadOutcome d = download(id);
    EXPECT_FALSE(d.completed);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "수신거부리스트 응답형식오류(Request_Message)");
    EXPECT_EQ(d.notice.logLevel, 16);

    armFault("verb=CALLLIST&nth=1&kind=http500");
    d = download(id);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "수신거부요청 정보페이지가 응답하지 않습니다.");
    EXPECT_EQ(d.notice.logLevel, 16);
    armFault("verb=CALLLIST&nth=1&kind=fail&code=0&reason=busy");
    d = download(id);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text), "수신거부리스트 응답형식오류(Request_CallList)");
    EXPECT_EQ(m_store.Rows("SELECT * FROM smsrefuse ORDER BY sr_code"), before);
    EXPECT_EQ(m_store.Count("member"), members);
}

// Calls of the server itself with a hyphenated, a blank-written and a withheld number, and a time
// meant as SQL: the usable ones are stored, the start point moves past them, and the next download
// does not stall on the same records.
TEST_F(OptOutDownload, ACallWithoutAUsableNumberDoesNotStallTheDownloads) {
    const std::string id = session();
    ASSERT_EQ(download(id).store.stored, 3);
    addCalls(
        "date=2025-03-08&time=100000&p=010-4000-0009&date=2025-03-08&time=100001&p="
        "&date=2025-03-08&time=0%20OR%201%3D1&p=01040000002&date=2025-03-08&time=100002&p=010%204000%200003");
    DownloadOutcome d = download(id);
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.store.stored, 2);
    EXPECT_EQ(d.skipped, 2);
    EXPECT_EQ(Cp949ToUtf8(d.notice.text),
              "데이타 수신이 완료되었습니다.\n저장 : 2 건\n형식오류로 제외 : 2 건 (로그 참조)");
    const std::vector<std::string> requests = m_store.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[3], "20250308 100000 01040000009 1");
    EXPECT_EQ(requests[4], "20250308 100002 01040000003 1");

    // The next download asks from the newest stored second and completes; a new call is stored.
    addCalls("date=2025-03-09&time=90000&p=01040000004");
    d = download(id);
    EXPECT_EQ(lastAsked(), "20250308 100001");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.store.stored, 1);
    EXPECT_EQ(m_store.Requests().back(), "20250309 90000 01040000004 1");
}

TEST_F(OptOutDownload, TheRefusalPageOpensInTheBrowser) {
    std::vector<std::string> opened;
    bool accept = true;
    const UrlOpener previous = SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return accept;
    });
    const std::string id = session();
    EXPECT_TRUE(OpenRefusalPage(id).empty());
    EXPECT_TRUE(OpenRefusalPage("").empty());
    accept = false;
    const UserNotice failed = OpenRefusalPage(id);
    SetUrlOpener(previous);
    EXPECT_EQ(Cp949ToUtf8(failed.text), "수신거부페이지 호출이 실패하였습니다.");

    ASSERT_EQ(opened.size(), 3u);
    const std::string prefix = m_fx.url("/korvane/request.php?xmldata=");
    ASSERT_EQ(opened[0].rfind(prefix, 0), 0u) << opened[0];
    EXPECT_EQ(opened[1], zmsg::OptOutHost());

    // What the browser then shows: the store's page with its calls.
    httplib::Client client("127.0.0.1", m_fx.sim().Port());
    const auto page = client.Get(opened[0].substr(m_fx.url("").size()));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("0807001001"), std::string::npos);
    EXPECT_NE(page->body.find("01088266648"), std::string::npos);
    EXPECT_EQ(zmsg::ElementText(zmsg::sim::OptOutState::DecodeXml(opened[0].substr(opened[0].find('?') + 1)),
                                "Type"),
              "WEBPAGE");
}

} // namespace
