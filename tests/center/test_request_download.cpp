// Downloads land in a private temporary file of their own, whole, and nowhere else.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "center/requestclient.h"
#include "sim/imagebox.h"
#include "tests/support/simfixture.h"

namespace {

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        ASSERT_TRUE(m_tmp.isValid() && m_cwd.isValid());
        m_previousTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
        m_previousCwd = QDir::currentPath();
        QDir::setCurrent(m_cwd.path());
    }
    void TearDown() override {
        QDir::setCurrent(m_previousCwd);
        qputenv("TMPDIR", m_previousTmp);
    }
    QStringList tmpFiles() const { return QDir(m_tmp.path()).entryList(QDir::Files); }

    SimFixture m_fx;
    QTemporaryDir m_tmp;
    QTemporaryDir m_cwd;
    QByteArray m_previousTmp;
    QString m_previousCwd;
};

TEST_F(DownloadTest, LargeFileArrivesWholeInAPrivateFileNotNamedAfterTheAddress) {
    std::string big(5 * 1048576 + 123, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    m_fx.sim().Center().PutFile("/files/promo.JPG", big);

    const auto path = HttpDownloadFile(m_fx.url("/files/promo.JPG"));
    ASSERT_TRUE(path.has_value());
    const QFileInfo info(QString::fromStdString(*path));
    EXPECT_EQ(info.absolutePath(), QDir(m_tmp.path()).absolutePath()) << "in the temp folder";
    EXPECT_FALSE(info.fileName().contains(QStringLiteral("promo"))) << "not named after the address";
    EXPECT_TRUE(info.fileName().endsWith(QStringLiteral(".jpg"))) << "keeps the image type";
    struct stat st {};
    ASSERT_EQ(::stat(path->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    QFile f(info.filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().toStdString() == big);
    EXPECT_TRUE(QDir(m_cwd.path()).entryList(QDir::Files).isEmpty()) << "nothing in the current folder";
    QFile::remove(info.filePath());
}

TEST_F(DownloadTest, OnlyKnownImageTypesKeepTheirExtension) {
    m_fx.sim().Center().PutFile("/files/tool.exe", "MZ");
    const auto exe = HttpDownloadFile(m_fx.url("/files/tool.exe"));
    ASSERT_TRUE(exe.has_value());
    EXPECT_EQ(QFileInfo(QString::fromStdString(*exe)).suffix(), QString());
    QFile::remove(QString::fromStdString(*exe));

    const auto boxImage = HttpDownloadFile(m_fx.url("/SMMS/ImageBox/1001/1_2.jpg"));
    ASSERT_TRUE(boxImage.has_value());
    QFile f(QString::fromStdString(*boxImage));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().toStdString() == zmsg::sim::ImageBoxJpeg(1, 2));
    QFile::remove(f.fileName());
}

TEST_F(DownloadTest, FailuresLeaveNothingBehind) {
    EXPECT_FALSE(HttpDownloadFile(m_fx.url("/files/absent.jpg")).has_value()) << "404";
    m_fx.sim().Center().PutFile("/files/empty.jpg", "");
    EXPECT_FALSE(HttpDownloadFile(m_fx.url("/files/empty.jpg")).has_value()) << "no byte received";
    m_fx.sim().Center().PutFile("/files/cut.jpg", std::string(4096, 'x'));
    zmsg::sim::Fault drop;
    drop.verb = "DOWNLOAD";
    drop.kind = zmsg::sim::FaultKind::CloseBefore;
    m_fx.sim().Faults().Arm(drop);
    // libcurl may repeat a GET whose kept-alive connection broke (harmless for a download): drop that too.
    drop.nth = 2;
    m_fx.sim().Faults().Arm(drop);
    EXPECT_FALSE(HttpDownloadFile(m_fx.url("/files/cut.jpg")).has_value()) << "connection dropped";
    EXPECT_FALSE(HttpDownloadFile("no address").has_value());
    EXPECT_TRUE(tmpFiles().isEmpty()) << tmpFiles().join(QLatin1Char(' ')).toStdString();
}

// A picture is a few megabytes: a download past the cap fails and leaves no file behind; one at the cap
// arrives whole.
TEST_F(DownloadTest, DownloadsOverTheCapFailAndLeaveNothing) {
    std::string atCap(zmsg::kDownloadCapBytes, '\x5A');
    m_fx.sim().Center().PutFile("/files/at.jpg", atCap);
    m_fx.sim().Center().PutFile("/files/over.jpg", atCap + "!");

    const auto over = HttpDownloadFile(m_fx.url("/files/over.jpg"));
    EXPECT_FALSE(over.has_value());
    EXPECT_TRUE(tmpFiles().isEmpty()) << tmpFiles().join(QLatin1Char(' ')).toStdString();

    const auto at = HttpDownloadFile(m_fx.url("/files/at.jpg"));
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(QFileInfo(QString::fromStdString(*at)).size(), static_cast<qint64>(zmsg::kDownloadCapBytes));
    QFile::remove(QString::fromStdString(*at));
}

} // namespace
