#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/wait.h>
#include <unistd.h>

#include "frame/clock.h"
#include "frame/log.h"
#include "frame/moduleapp.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        g_strHostDir = m_dir.path().toStdString() + "/";
        QDir(m_dir.path()).mkdir(QStringLiteral("Log"));
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 6), QTime(7, 8, 9)));
    }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }
    QByteArray read(const char* name = "Log/ZMSG_20261206.log") {
        QFile f(m_dir.filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(LogTest, LinesAreByteExactCp949WithCrlf) {
    EXPECT_TRUE(WriteLog(zmsg::K("전송 시작"), 0));
    EXPECT_TRUE(WriteLog("two\nlines", 16));
    EXPECT_TRUE(WriteLog("", 1));
    const QByteArray expected = QByteArray("[0]07:08:09 : ") +
                                QByteArray::fromStdString(zmsg::K("전송 시작")) +
                                "\r\n[16]07:08:09 : two\nlines\r\n[1]07:08:09 : \r\n";
    EXPECT_EQ(read(), expected);
    // CP949, not UTF-8: the Korean text is 4 bytes.
    EXPECT_TRUE(read().contains("\xC0\xFC\xBC\xDB"));
}

TEST_F(LogTest, NewDayNewFileAndExistingFileIsAppendedNotTruncated) {
    WriteLog("a", 0);
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 1)));
    WriteLog("b", 0);
    EXPECT_EQ(read(), QByteArray("[0]07:08:09 : a\r\n"));
    EXPECT_EQ(read("Log/ZMSG_20261207.log"), QByteArray("[0]00:00:01 : b\r\n"));
}

TEST_F(LogTest, MissingFolderLosesLineButStillShows) {
    QDir(m_dir.filePath(QStringLiteral("Log"))).removeRecursively();
    ScriptedMessages boxes;
    EXPECT_FALSE(WriteLog("lost", 0));
    LogAndShow(zmsg::K("전송 실패"), 1);
    EXPECT_FALSE(QDir(m_dir.filePath(QStringLiteral("Log"))).exists());
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"전송 실패"});
    EXPECT_EQ(boxes.shown()[0].type, 0u);
}

TEST_F(LogTest, TwoProcessesNeverInterleave) {
    const int kLines = 400;
    const std::string longText(300, 'p');
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < kLines; ++i)
            WriteLog(std::string(300, 'c'), 0);
        _exit(0);
    }
    for (int i = 0; i < kLines; ++i)
        WriteLog(longText, 0);
    int status = 0;
    waitpid(child, &status, 0);
    const QList<QByteArray> lines = read().split('\n');
    int parentLines = 0, childLines = 0;
    for (const QByteArray& l : lines) {
        if (l.isEmpty())
            continue;
        ASSERT_TRUE(l.startsWith("[0]07:08:09 : ")) << l.constData();
        const QByteArray body = l.mid(14);
        if (body == QByteArray(300, 'p') + '\r')
            ++parentLines;
        else if (body == QByteArray(300, 'c') + '\r')
            ++childLines;
        else
            FAIL() << "mixed line";
    }
    EXPECT_EQ(parentLines, kLines);
    EXPECT_EQ(childLines, kLines);
}
