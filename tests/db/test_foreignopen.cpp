// A store the host holds open meets a foreign open and close of its files inside the host's own process
// (the module's file dialog listing the store's folder, or anything else that opens and closes them),
// then another program that opens and closes the store, as the receipt run from cron does. On Linux
// the close drops every lock SQLite holds, the other program then believes itself the last user and
// deletes the write-ahead log: what the host commits afterwards must still reach the file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "center/send/sendrecord.h"
#include "db/sqldirect.h"
#include "frame/widgets/openfiledlg.h"
#include "host/demodb.h"
#include "tests/support/testfolders.h"
#include "tests/support/whenmodal.h"

namespace {

enum class Foreign { FileDialog, OpenAndClose };

QApplication& App() {
    static int argc = 1;
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    // Where Qt's file dialog keeps its history: the test's own, never the machine's.
    static QTemporaryDir config;
    static QApplication* app = [] {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The record locks this process holds, as the system lists them.
int LocksHeld() {
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pid = ' ' + QByteArray::number(QCoreApplication::applicationPid()) + ' ';
    int held = 0;
    for (const QByteArray& line : locks.readAll().split('\n'))
        held += line.contains("POSIX") && line.contains(pid) ? 1 : 0;
    return held;
}

// Another program on the store: the sqlite3 tool, which opens the file, reads and closes it.
std::string OtherProgram(const QString& path, const QString& sql) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, sql});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return "<failed: " + p.readAllStandardError().toStdString() + ">";
    return p.readAllStandardOutput().trimmed().toStdString();
}

class HeldStore : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            << "the sqlite3 tool is missing (scripts/deps.sh installs it)";
        ASSERT_TRUE(m_folders.ok());
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.filePath(QStringLiteral("store"));
        ASSERT_TRUE(QDir().mkpath(m_folder));
        m_path = m_folder + QStringLiteral("/store.db");
        // The clerk's picture beside the store, as the demo kept it.
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(m_folder + QStringLiteral("/photo.jpg")));
        ASSERT_TRUE(m_db.Open("sqlite:" + m_path.toStdString())) << m_db.GetLastError();
        ASSERT_TRUE(CreateStoreTables(m_db, nullptr));
    }

    // The foreign open and close of the store's files inside this process.
    void Meddle(Foreign how) {
        if (how == Foreign::OpenAndClose) {
            for (const char* suffix : {"", "-shm"}) {
                QFile f(m_path + QLatin1String(suffix));
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                f.read(16);
            }
            return;
        }
        // The module's own file dialog, shown where the store lies, left to list the folder and closed.
        const int locks = LocksHeld();
        ASSERT_GE(locks, 2) << "SQLite holds a read lock on the store and one on its index";
        InstallFileDialogPresenter();
        bool listed = false;
        WhenModal<QFileDialog>([&](QFileDialog& dlg) {
            auto* model = dlg.findChild<QFileSystemModel*>();
            ASSERT_NE(model, nullptr);
            QObject::connect(model, &QFileSystemModel::directoryLoaded, &dlg,
                             [this, &listed, &dlg, model](const QString& loaded) {
                                 if (QDir(loaded) == QDir(m_folder)) {
                                     listed = true;
                                     EXPECT_EQ(model->rowCount(model->index(m_folder)), 1)
                                         << "the picture alone is listed";
                                     dlg.reject();
                                 }
                             });
            dlg.setDirectory(m_folder);
        });
        OpenFileRequest request;
        request.defaultExt = "jpg";
        request.filter = "Pictures|*.jpg;*.png;*.gif;*.bmp;||All Files (*.*)|*.*||";
        EXPECT_EQ(ShowOpenFileDialog(request), std::nullopt);
        EXPECT_TRUE(listed);
        SetFileDialogPresenter(nullptr);
        EXPECT_EQ(LocksHeld(), locks) << "the dialog opened and closed the store's files";
    }

    TestFolders m_folders;
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_path;
    CSQLDirect m_db;
};

class ForeignOpen : public HeldStore, public ::testing::WithParamInterface<Foreign> {};

TEST_P(ForeignOpen, ASendCommittedAfterwardsReachesTheStore) {
    Meddle(GetParam());
    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT COUNT(*) FROM smssend")), "0");

    PendingSend send;
    send.phase = PendingSend::Phase::Unrecorded;
    send.centerCode = 4711;
    send.callSent = 2;
    send.callback = "0212345678";
    send.message = "m";
    send.recipients = {{1, "01012345678"}, {2, "01087654321"}};
    const RecordOutcome r = RecordSend(m_db, send);
    ASSERT_EQ(r.step, RecordStep::Done) << m_db.GetLastError();

    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT ss_code, ss_center, ss_trcount FROM smssend")),
              std::to_string(r.localCode) + "|4711|2");
    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT COUNT(*) FROM smslist WHERE sl_sscode=") +
                                       QString::number(r.localCode)),
              "2");
}

// The same within a transaction already begun: its commit went into a log that is no longer the store's,
// which is a failure, never a success; the connection then finds the store again for the next write.
TEST_F(HeldStore, ACommitIntoADeletedLogIsAFailure) {
    ASSERT_TRUE(m_db.BeginTrans()) << m_db.GetLastError();
    ASSERT_EQ(m_db.ExecuteSQL("INSERT INTO smssend (ss_code, ss_msg) VALUES (1, 'lost')"), 0);
    Meddle(Foreign::OpenAndClose);
    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT COUNT(*) FROM smssend")), "0");
    EXPECT_FALSE(m_db.CommitTrans());
    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT COUNT(*) FROM smssend")), "0");

    EXPECT_EQ(m_db.ExecuteSQL("INSERT INTO smssend (ss_code, ss_msg) VALUES (2, 'kept')"), 0)
        << m_db.GetLastError();
    EXPECT_EQ(OtherProgram(m_path, QStringLiteral("SELECT ss_code FROM smssend")), "2");
}

INSTANTIATE_TEST_SUITE_P(Kinds, ForeignOpen, ::testing::Values(Foreign::FileDialog, Foreign::OpenAndClose),
                         [](const auto& info) {
                             return info.param == Foreign::FileDialog ? "FileDialog" : "OpenAndClose";
                         });

} // namespace
