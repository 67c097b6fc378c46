// A host without a Qt application object: the module creates one on the first call, a GUI one only
// when a display can really be opened. From cron (no display, or a DISPLAY nothing answers) the
// receipt runs with logging only instead of ending the process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "db/sqldirect.h"
#include "tests/support/testfolders.h"
#include "text/codec.h"
#include "zmsg/zmsg.h"

namespace {

constexpr char kChildStore[] = "ZMSG_TEST_CHILD_STORE";

} // namespace

TEST(Exports, HostWithoutApplicationGetsOne) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    CSQLDirect db;
    // No store open: the receipt reports an incomplete run, it does not crash or wait.
    EXPECT_EQ(ReceiveResult(&db, 0), 0);
    EXPECT_EQ(ReceiveResult(&db, -5), 0);
    EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

// Runs only as the child process the next test starts, in the environment it chose.
TEST(ExportsChild, ReceiptWithoutDisplay) {
    const QByteArray store = qgetenv(kChildStore);
    if (store.isEmpty())
        GTEST_SKIP() << "started by Exports.ReceiptWithoutDisplayLogsOnly";
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    CSQLDirect db;
    ASSERT_TRUE(db.Open("sqlite:" + store.toStdString()));
    EXPECT_EQ(ReceiveResult(&db, 0), 1);
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    PopupSMS(&db, 1, 0, "", ""); // no window to open it in: logged, and the call returns
}

TEST(Exports, ReceiptWithoutDisplayLogsOnly) {
    TestFolders folders;
    ASSERT_TRUE(folders.ok());
    // Started from the test's host folder, the child logs there.
    const std::string self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
    const std::string program = folders.PlaceProgram(self);
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folders.host() + "Log")));
    const std::string store = folders.host() + "store.db";
    {
        CSQLDirect db;
        ASSERT_TRUE(db.Open("sqlite:" + store));
        ASSERT_EQ(
            db.ExecuteSQL("CREATE TABLE smssend (ss_code INTEGER, ss_center INTEGER, ss_target INTEGER, "
                          "ss_trcount INTEGER, ss_idate TEXT, ss_reserve INTEGER, ss_reservedate TEXT, "
                          "ss_result INTEGER, ss_trfail INTEGER, ss_resultdate TEXT)"),
            0);
    }
    const std::string deadDisplay = folders.DeadDisplay();
    for (const std::string& display : {std::string(), deadDisplay}) {
        SCOPED_TRACE(display.empty() ? "no display at all" : "a DISPLAY nothing answers");
        QProcessEnvironment env = folders.Environment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!display.empty())
            env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
        env.insert(QString::fromLatin1(kChildStore), QString::fromStdString(store));
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QString::fromStdString(program), {QStringLiteral("--gtest_filter=ExportsChild.*")});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    }
    QFile log(QString::fromStdString(folders.host()) + QStringLiteral("Log/ZMSG_") +
              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const std::string text = log.readAll().toStdString();
    const std::string done = zmsg::K("SMS 결과수신 완료");
    const size_t first = text.find(done);
    ASSERT_NE(first, std::string::npos) << zmsg::Cp949ToUtf8(text);
    EXPECT_NE(text.find(done, first + 1), std::string::npos);
    EXPECT_NE(text.find(zmsg::K("화면이 없어 창을 열 수 없습니다: 문자 보내기")), std::string::npos);
}
