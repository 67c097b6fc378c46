// The simulator as the demo runs it: a program that names its port on its first line and answers
// the module and a person with curl alike.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <curl/curl.h>

#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"

namespace {

// The body of a GET, or of a POST of the form when one is given, whatever the status.
std::string Get(const std::string& url, const std::string& form = std::string()) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (!form.empty())
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 30000L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* d, size_t s, size_t n, void* out) {
            static_cast<std::string*>(out)->append(d, s * n);
            return s * n;
        });
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code == CURLE_OK ? body : "(failed)";
}

TEST(SimProgram, NamesItsPortFirstAndAnswersStoreInformation) {
    std::signal(SIGPIPE, SIG_IGN); // the program may close a connection this test still writes to
    QProcess sim;
    sim.start(QStringLiteral(ZMSG_SIM_PROGRAM), {QStringLiteral("--port"), QStringLiteral("0")});
    ASSERT_TRUE(sim.waitForStarted(30000));
    while (!sim.canReadLine())
        ASSERT_TRUE(sim.waitForReadyRead(30000)) << "no first line";
    const QString first = QString::fromUtf8(sim.readLine()).trimmed();
    const auto match =
        QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$")).match(first);
    ASSERT_TRUE(match.hasMatch()) << first.toStdString();
    const std::string base = "http://127.0.0.1:" + match.captured(1).toStdString();

    std::string reply;
    ASSERT_EQ(RequestPost(base + "/ZMSG/AppRequest.ashx", "work=MARTINFO&mart=1001&ver=1.0.0.1", reply, 0),
              1);
    const std::string converted = zmsg::ConvertReply(reply);
    EXPECT_TRUE(zmsg::IsPositiveReply(converted, 10)) << reply;
    for (const char* name : {"PAY_TYPE", "CALL_NOW", "LMS_CALL", "LMS_AD_LEN", "CALLBACK", "RESERVE", "ACC1",
                             "ACC2", "ACC3", "CEN_TEL", "CEN_FAX"})
        EXPECT_NE(converted.find(std::string("<") + name + ">"), std::string::npos) << name;

    const std::string log = Get(base + "/_sim/requests");
    EXPECT_NE(log.find("\"verb\":\"MARTINFO\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"mart\":\"1001\""), std::string::npos) << log;

    // A mistyped fault is refused with the names a person can use, and nothing is armed.
    const std::string kind = Get(base + "/_sim/fault", "verb=MARTINFO&kind=close-afterr");
    EXPECT_NE(kind.find("unknown kind: close-afterr"), std::string::npos) << kind;
    EXPECT_NE(kind.find("close-before, close-after, http500"), std::string::npos) << kind;
    const std::string parameter = Get(base + "/_sim/fault", "verb=MARTINFO&kind=fail&resaon=x");
    EXPECT_NE(parameter.find("unknown parameter: resaon"), std::string::npos) << parameter;
    ASSERT_EQ(RequestPost(base + "/ZMSG/AppRequest.ashx", "work=MARTINFO&mart=1001&ver=1.0.0.1", reply, 0),
              1);
    EXPECT_TRUE(zmsg::IsPositiveReply(zmsg::ConvertReply(reply), 10)) << reply;
    EXPECT_EQ(Get(base + "/_sim/fault", "verb=MARTINFO&kind=fail&reason=x"), "armed\n");

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(30000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
}

} // namespace
