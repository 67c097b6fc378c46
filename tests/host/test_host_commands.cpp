// The stand-in host's shell commands as cron or a person runs them, each a separate process started
// from the test's own host folder (where the journal, the receipt lock and the log live), without a
// display: a real send made earlier, the history moved back a day, then `zmsg-host receive-sms`. Its
// exit status tells cron whether the run completed; two runs from different logins' environments take
// the one lock.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "tests/results/appsend.h"
#include "tests/sms/sendfixture.h"
#include "text/codec.h"

using zmsg::K;

namespace {

struct HostRun {
    int exitCode = -1;
    QString output;
};

// As from cron: no display, so the module logs instead of showing boxes. `env` changes the rest.
void StartHost(SendFixture& f, QProcess& p, const QStringList& args,
               const std::function<void(QProcessEnvironment&)>& env = {}) {
    // Started from the fixture's host folder, the program has it as its own.
    const std::string program = f.hostDir() + "zmsg-host";
    if (!QFile::exists(QString::fromStdString(program)))
        f.folders().PlaceProgram(ZMSG_HOST_PATH);
    QProcessEnvironment e = f.folders().Environment();
    e.remove(QStringLiteral("QT_QPA_PLATFORM"));
    e.remove(QStringLiteral("DISPLAY"));
    e.remove(QStringLiteral("WAYLAND_DISPLAY"));
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(f.fx().configHome()));
    if (env)
        env(e);
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QString::fromStdString(program), args);
}

HostRun Finish(QProcess& p) {
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

HostRun Host(SendFixture& f, const QStringList& args,
             const std::function<void(QProcessEnvironment&)>& env = {}) {
    QProcess p;
    StartHost(f, p, args, env);
    return Finish(p);
}

QStringList Receive(SendFixture& f) {
    return {QStringLiteral("receive-sms"), QStringLiteral("--db"),
            QStringLiteral("sqlite:") + QString::fromStdString(f.storePath())};
}

QString LastLine(const HostRun& r) {
    const QStringList lines = r.output.trimmed().split(QLatin1Char('\n'));
    return lines.isEmpty() ? QString() : lines.last();
}

void AgeAll(SendFixture& f) {
    const std::string when = QDateTime::currentDateTime()
                                 .addDays(-2)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                 .toStdString();
    ASSERT_TRUE(f.Exec("UPDATE smssend SET ss_idate='" + when + "'"));
}

// The module's log of today, in the fixture's host folder (CP949).
std::string TodaysLog(SendFixture& f) {
    QFile log(QString::fromStdString(f.hostDir()) + QStringLiteral("Log/ZMSG_") +
              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : std::string();
}

bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
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
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(f.hostDir() + "Log")));
    const SmsSendResult sent = f.Send(f.Input(kMembers));
    ASSERT_EQ(sent.outcome, SmsSendOutcome::Sent);
    const QString db = QStringLiteral("sqlite:") + QString::fromStdString(f.storePath());

    // Too recent: the run completes and asks nothing. A DISPLAY with no server behind it is no display.
    const std::string deadDisplay = f.folders().DeadDisplay();
    HostRun r = Host(f, Receive(f), [&deadDisplay](QProcessEnvironment& e) {
        e.insert(QStringLiteral("DISPLAY"), QString::fromStdString(deadDisplay));
    });
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 0);
    // The run's summary is the exit line, as the log closes with it.
    EXPECT_EQ(LastLine(r).toStdString(),
              std::string("SMS 결과수신 완료: 결과를 요청한 전송 0건, 반영한 결과 0건(수신실패 0건), "
                          "실패 표시(*)한 회원 0명, 결과를 기다리는 전송 1건"));

    r = Host(f, {QStringLiteral("age-history"), QStringLiteral("--db"), db});
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    r = Host(f, Receive(f));
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 1);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULTOK"), 1);
    EXPECT_EQ(LastLine(r).toStdString(),
              std::string("SMS 결과수신 완료: 결과를 요청한 전송 1건, 반영한 결과 30건(수신실패 3건), "
                          "실패 표시(*)한 회원 2명, 결과를 기다리는 전송 0건"));
    EXPECT_NE(TodaysLog(f).find(zmsg::ToCp949Lossy(LastLine(r))), std::string::npos);

    const std::vector<LocalSend> history = f.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].result, 1);
    EXPECT_EQ(history[0].trfail, 3); // the numbers ending in 7: members 8, 18 and 28
    EXPECT_EQ(f.MemberCel(8).rfind("*", 0), 0u);
    EXPECT_NE(f.MemberCel(9).rfind("*", 0), 0u);

    // A second run finds nothing pending and changes nothing.
    const std::string before = Dump(f.db());
    r = Host(f, Receive(f));
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

// Cron learns from the exit status alone whether a run completed: not when the center cannot be
// reached or the store database fails; the results are then taken by the next run.
TEST(HostCommands, ReceiptThatDoesNotCompleteExitsNonZero) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(10));
    ASSERT_EQ(f.Send(f.Input(10)).outcome, SmsSendOutcome::Sent);
    AgeAll(f);

    QTemporaryDir nowhere;
    ASSERT_TRUE(nowhere.isValid());
    {
        QSettings ini(nowhere.filePath(QStringLiteral("zmsg/ZMSG.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("CENTER/Host"), QStringLiteral("http://127.0.0.1:1"));
    }
    HostRun r = Host(f, Receive(f), [&](QProcessEnvironment& e) {
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), nowhere.path());
    });
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains(QStringLiteral("did not complete"))) << r.output.toStdString();
    EXPECT_EQ(f.History()[0].result, 0);

    ASSERT_TRUE(f.Exec("ALTER TABLE smssend RENAME TO smssend_away"));
    r = Host(f, Receive(f));
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    ASSERT_TRUE(f.Exec("ALTER TABLE smssend_away RENAME TO smssend"));
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 0);

    r = Host(f, Receive(f));
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.History()[0].result, 1);
}

// A run from cron (no runtime folder in its environment) and one from a login (with one) meet on the
// same send: the second finds the first's lock beside the journal and stops; the stars land once.
TEST(HostCommands, ReceiptsFromDifferentEnvironmentsTakeOneLock) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(30));
    ASSERT_EQ(f.Send(f.Input(30)).outcome, SmsSendOutcome::Sent);
    AgeAll(f);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(f.hostDir() + "Log")));
    const std::string twoStars = f.MemberCel(8); // "**" and the number: one failure short of three
    const std::string noStar = f.MemberCel(28);

    // The first run's question is answered late, and the first run is frozen while it waits, so the
    // second surely runs while the first holds the lock.
    zmsg::sim::Fault late;
    late.verb = "SMSRESULT";
    late.delayMs = 3000;
    f.fx().sim().Faults().Arm(late);
    QProcess first;
    StartHost(f, first, Receive(f));
    ASSERT_TRUE(WaitUntil([&] { return f.fx().sim().Requests().Count("SMSRESULT") == 1; }));
    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGSTOP), 0);
    const HostRun second =
        Host(f, Receive(f), [](QProcessEnvironment& e) { e.remove(QStringLiteral("XDG_RUNTIME_DIR")); });
    ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
    const HostRun firstRun = Finish(first);

    EXPECT_EQ(firstRun.exitCode, 0) << firstRun.output.toStdString();
    EXPECT_EQ(second.exitCode, 1) << second.output.toStdString();
    EXPECT_NE(TodaysLog(f).find(K("이미 결과수신 프로세스가 실행중입니다.")), std::string::npos);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSRESULT"), 1);
    EXPECT_EQ(f.MemberCel(8), "*" + twoStars);
    EXPECT_EQ(f.MemberCel(28), "*" + noStar);
    EXPECT_EQ(f.History()[0].trfail, 3);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(f.hostDir() + "SMSResult_IsRunning.lock")));
}

// The app-message receipt from the shell: the same exit status and summary line as the SMS one, the
// results and counters applied once, and a second run that changes nothing.
TEST(HostCommands, AppMessageReceiptFromTheShell) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(30));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(f.hostDir() + "Log")));
    std::vector<std::pair<int, std::string>> members;
    for (int i = 0; i < 30; ++i)
        members.emplace_back(i + 1, SendFixture::PhoneOf(i));
    const auto sent = MakeAppSend(f.db(), members, 3 * 3600);
    ASSERT_TRUE(sent);
    const QStringList receive = {QStringLiteral("receive-smms"), QStringLiteral("--db"),
                                 QStringLiteral("sqlite:") + QString::fromStdString(f.storePath())};

    HostRun r = Host(f, receive);
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(f.fx().sim().Requests().Count("SMMSRESULT"), 0) << "too recent";

    AgeAll(f);
    r = Host(f, receive);
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(LastLine(r).toStdString(),
              std::string("SMMS 결과수신 완료: 결과를 요청한 전송 1건, 반영한 결과 30건(수신실패 3건), "
                          "실패 횟수를 올린 회원 3명, 결과를 기다리는 전송 0건"));
    EXPECT_NE(TodaysLog(f).find(zmsg::ToCp949Lossy(LastLine(r))), std::string::npos);
    EXPECT_EQ(SmmsFail(f.db(), 8), 1);
    EXPECT_EQ(SmmsFail(f.db(), 9), 0);
    EXPECT_EQ(AppRowResult(f.db(), sent->localCode, 28), 2);

    const std::string before = Dump(f.db());
    r = Host(f, receive);
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_EQ(Dump(f.db()), before);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMMSRESULT"), 1);

    // A run that does not complete tells cron so.
    ASSERT_TRUE(f.Exec("ALTER TABLE smssend RENAME TO smssend_away"));
    r = Host(f, receive);
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains(QStringLiteral("app-message result receipt did not complete")))
        << r.output.toStdString();
    ASSERT_TRUE(f.Exec("ALTER TABLE smssend_away RENAME TO smssend"));
}

} // namespace
