// The stand-in host's shell commands as cron or a person runs them: a real send made earlier, the
// demo's history moved back a day, then `zmsg-host receive-sms` twice as a separate process without
// a display. The first run writes the results and the stars; the second changes nothing.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "tests/sms/sendfixture.h"

namespace {

struct HostRun {
    int exitCode = -1;
    QString output;
};

HostRun Host(SendFixture& f, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // As from cron: no display, so the module logs instead of showing boxes.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(f.fx().configHome()));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(ZMSG_HOST_PATH), args);
    HostRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(p.readAll());
    return r;
}

std::string Dump(CSQLDirect& db) {
    std::string all;
    for (const char* sql :
         {"SELECT * FROM smssend ORDER BY ss_code", "SELECT * FROM smslist ORDER BY sl_sscode, sl_seq",
          "SELECT mem_code, mem_cel FROM member ORDER BY mem_code"}) {
        std::vector<std::vector<std::string>> rows;
        if (!db.DoQuery(sql, rows))
            return "query failed";
        for (const auto& row : rows)
            for (const auto& v : row)
                all += v + "|";
        all += "\n";
    }
    return all;
}

TEST(HostCommands, ReceiptFromTheShellAppliesResultsOnce) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    constexpr int kMembers = 30;
    ASSERT_TRUE(f.NewStore(kMembers));
    const SmsSendResult sent = f.Send(f.Input(kMembers));
    ASSERT_EQ(sent.outcome, SmsSendOutcome::Sent);
    const QString db = QStringLiteral("sqlite:") + QString::fromStdString(f.storePath());

    // Too recent: the run completes and asks nothing.
    HostRun r = Host(f, {QStringLiteral("receive-sms"), QStringLiteral("--db"), db});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 0);

    r = Host(f, {QStringLiteral("age-history"), QStringLiteral("--db"), db});
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    r = Host(f, {QStringLiteral("receive-sms"), QStringLiteral("--db"), db});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 1);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULTOK"), 1);

    const std::vector<LocalSend> history = f.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[0].trfail, 3); // the numbers ending in 7: members 8, 18 and 28
    EXPECT_EQ(f.MemberCel(8).rfind("*", 0), 0u);
    EXPECT_NE(f.MemberCel(9).rfind("*", 0), 0u);

    // A second run finds nothing pending and changes nothing.
    const std::string before = Dump(f.db());
    r = Host(f, {QStringLiteral("receive-sms"), QStringLiteral("--db"), db});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(Dump(f.db()), before);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 1);

    // Wrong use is refused with the usage text, not a crash.
    r = Host(f, {QStringLiteral("age-history"), QStringLiteral("--db"), db, QStringLiteral("--hours"),
                 QStringLiteral("0")});
    EXPECT_EQ(r.exitCode, 2);
    r = Host(f, {QStringLiteral("receive-sms")});
    EXPECT_EQ(r.exitCode, 2);
}

} // namespace
