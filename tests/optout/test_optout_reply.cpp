// The opt-out server's envelope and replies as the module reads them: every reply check and the
// message it gives, and the values a reply may carry before anything of it reaches the store.
#include <gtest/gtest.h>

#include "optout/optoutprotocol.h"
#include "sim/optoutstate.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

std::string U(const std::string& cp949) {
    return Cp949ToUtf8(cp949);
}

TEST(OptOutReply, TheEnvelopeIsUrlEncodedBase64OfTheUtf8Xml) {
    const std::string xml =
        K("<AUTH><CRNum>123-45-67890</CRNum><MCode>1001</MCode><X>행복마트?~>?~></X></AUTH>");
    const std::string body = EncodeOptOutBody(xml);
    ASSERT_EQ(body.rfind("xmldata=", 0), 0u);
    // Base64's '+', '/' and '=' travel percent-encoded, or the server would read a space or a new field.
    EXPECT_EQ(body.find_first_of("+/=", 8), std::string::npos) << body;
    EXPECT_EQ(zmsg::sim::OptOutState::DecodeXml(body),
              "<AUTH><CRNum>123-45-67890</CRNum><MCode>1001</MCode><X>행복마트?~>?~></X></AUTH>");
}

TEST(OptOutReply, AuthenticationAnswersAndTheirMessages) {
    struct Row {
        const char* name;
        const char* reply;
        int result;
        const char* session;
        const char* number;
        const char* message; // after the format text when it starts with '('
    };
    const Row rows[] = {
        {"accepted",
         "<AUTH><Result>1000</Result><Message>ok</Message><SessionID>S1</SessionID><RNumber>0807001001</"
         "RNumber></AUTH>",
         1000, "S1", "0807001001", ""},
        {"declaration and comment first",
         "<?xml version=\"1.0\"?><!-- x --><AUTH><Result>1000</Result><Message/><SessionID>S2</SessionID>"
         "<RNumber>080</RNumber></AUTH>",
         1000, "S2", "080", ""},
        {"no result", "<AUTH><Message>m</Message></AUTH>", -1, "", "", "(AUTH_Result)"},
        {"not xml at all", "1:something", -1, "", "", "(AUTH_Result)"},
        {"no message", "<AUTH><Result>1000</Result></AUTH>", -1, "", "", "(AUTH_Message)"},
        {"refused by the server", "<AUTH><Result>3001</Result><Message>등록되지 않은 점포</Message></AUTH>",
         3001, "", "", "등록되지 않은 점포(상태확인-응답코드:3001)"},
        {"no session", "<AUTH><Result>1000</Result><Message/><RNumber>0807001001</RNumber></AUTH>", -1, "",
         "", "(AUTH_SessionID)"},
        // Accepted but without its number: the whole answer fails and the session is not kept.
        {"no 080 number", "<AUTH><Result>1000</Result><Message/><SessionID>S3</SessionID></AUTH>", -1, "", "",
         "(AUTH_RNumber)"},
    };
    for (const std::string& format : {AuthFormatTextRefuseList(), AuthFormatTextSmsDialog()}) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.name) + " / " + U(format));
            const OptOutAuth a = ParseAuthReply(r.reply, format);
            EXPECT_EQ(a.result, r.result);
            EXPECT_EQ(a.sessionId, r.session);
            EXPECT_EQ(a.number080, r.number);
            const std::string expected = r.message[0] == '(' ? U(format) + r.message : r.message;
            EXPECT_EQ(U(a.message), expected);
        }
    }
    EXPECT_EQ(U(AuthFormatTextRefuseList()), "인증처리 응답형식이 올바르지 않습니다.");
    EXPECT_EQ(U(AuthFormatTextSmsDialog()), "인증처리 응답형식오류");
}

TEST(OptOutReply, TheSmsDialogTakesOnly080NumbersOfTenCharacters) {
    EXPECT_TRUE(IsAcceptable080Number(1000, "0807001001"));
    EXPECT_TRUE(IsAcceptable080Number(1000, "080-700-1001"));
    EXPECT_FALSE(IsAcceptable080Number(1000, "080700100"));
    EXPECT_FALSE(IsAcceptable080Number(1000, "0217001001"));
    EXPECT_FALSE(IsAcceptable080Number(3001, "0807001001"));
}

TEST(OptOutReply, CallListChecksLeaveOutOnlyTheRecordThatFails) {
    const std::string good = "<LIST><DATE>2025-03-06</DATE><TIME>100000</TIME><CN>0807001001</CN>"
                             "<P>01011112222</P></LIST>";
    auto list = [](const char* date, const char* time, const char* cn, const char* p) {
        std::string s = "<LIST>";
        if (date)
            s += std::string("<DATE>") + date + "</DATE>";
        if (time)
            s += std::string("<TIME>") + time + "</TIME>";
        if (cn)
            s += std::string("<CN>") + cn + "</CN>";
        if (p)
            s += std::string("<P>") + p + "</P>";
        return s + "</LIST>";
    };
    auto reply = [](const std::string& lists, const char* result = "1000") {
        return "<DNC><Result>" + std::string(result) + "</Result><Message>msg</Message>" + lists + "</DNC>";
    };
    const std::string format = "수신거부리스트 응답형식오류";
    struct Row {
        std::string name;
        std::string reply;
        std::string message; // empty: taken
        size_t taken = 0;
        size_t skipped = 0;
        std::string caller = {}; // the last taken caller, when one was taken
    };
    const std::vector<Row> rows = {
        {"nothing new", reply("", "2000"), "추가된 수신거부 요청이 없습니다."},
        {"another code", reply("", "4001"), "msg(상태확인-응답코드:4001)"},
        {"no result", "<DNC><Message>m</Message></DNC>", format + "(Request_CallList)"},
        {"not xml", "0:busy", format + "(Request_CallList)"},
        {"no message", "<DNC><Result>1000</Result>" + good + "</DNC>", format + "(Request_Message)"},
        {"no list", reply(""), format + "(Request_LIST)"},
        {"no date", reply(good + list(nullptr, "1", "080", "010")), "", 1, 1},
        {"no time", reply(good + list("2025-03-06", nullptr, "080", "010")), "", 1, 1},
        {"no called number", reply(good + list("2025-03-06", "1", nullptr, "010")), "", 1, 1},
        {"no caller", reply(good + list("2025-03-06", "1", "080", nullptr)), "", 1, 1},
        {"a withheld caller", reply(good + list("2025-03-06", "1", "080", "")), "", 1, 1},
        {"slashed date", reply(good + list("2025/03/06", "1", "080", "010")), "", 1, 1},
        {"short date", reply(list("2025-3-6", "1", "080", "010")), "", 0, 1},
        {"date as sql", reply(list("0 OR 1=1", "1", "080", "010")), "", 0, 1},
        {"time as sql", reply(good + list("2025-03-06", "0 OR 1=1", "080", "010")), "", 1, 1},
        {"empty time", reply(list("2025-03-06", "", "080", "010")), "", 0, 1},
        {"time too long", reply(list("2025-03-06", "12345678901", "080", "010")), "", 0, 1},
        {"caller as sql", reply(good + list("2025-03-06", "1", "080", "0;DELETE member--")), "", 1, 1},
        {"called number quoted", reply(list("2025-03-06", "1", "080' OR '1'='1", "010")), "", 0, 1},
        {"caller with hyphens", reply(list("2025-03-06", "1", "080", "010-1111-2222")), "", 1, 0,
         "01011112222"},
        {"caller with blanks", reply(good + list("2025-03-06", "1", "080", " 010 1111 3333 ")), "", 2, 0,
         "01011113333"},
        {"a bad record between good ones",
         reply(good + list("2025-03-06", "1", "080", "") + list("2025-03-07", "2", "080", "01044445555")), "",
         2, 1, "01044445555"},
        {"one good request", reply(good), "", 1, 0, "01011112222"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const CallListReply parsed = ParseCallListReply(r.reply);
        EXPECT_EQ(U(parsed.failure.text), r.message);
        EXPECT_EQ(parsed.requests.size(), r.taken);
        EXPECT_EQ(parsed.skipped.size(), r.skipped);
        if (!r.message.empty()) {
            EXPECT_EQ(parsed.failure.logLevel, 16);
        }
        if (!r.caller.empty() && !parsed.requests.empty()) {
            EXPECT_EQ(parsed.requests.back().refusingNumber, r.caller);
        }
        // Whatever is taken is digits only: nothing of a text meant as SQL reaches a statement.
        for (const ::RefusalRequest& q : parsed.requests)
            EXPECT_EQ(q.refusingNumber.find_first_not_of("0123456789"), std::string::npos);
    }
    // The log line names the record and what it held.
    const CallListReply bad =
        ParseCallListReply(reply(good + list("2025-03-06", "1", "080", "0;DELETE member--")));
    ASSERT_EQ(bad.skipped.size(), 1u);
    EXPECT_EQ(U(bad.skipped[0]),
              "수신거부요청 제외(2번째, 수신거부번호 형식오류): DATE=[2025-03-06] TIME=[1] CN=[080] "
              "P=[0;DELETE member--]");
}

TEST(OptOutReply, TheCallListRequestCarriesTheStartPoint) {
    EXPECT_EQ(
        CallListXml("S1001-1", {"20150601", "0"}),
        "<DNC><SessionID>S1001-1</SessionID><Type>CALLLIST</Type><DATE>20150601</DATE><TIME>0</TIME></DNC>");
    // A session id is text of the server's: it goes into the request as text, never as markup.
    EXPECT_EQ(CallListXml("a<b>&", {"20150601", "0"}).substr(0, 37), "<DNC><SessionID>a&lt;b&gt;&amp;</Sess");
}

} // namespace
