// Each app-message window keeps its picture in a file of its own, gone when the window is; the center
// is still told the one name it always was.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "frame/moduleapp.h"
#include "smms/uploadfile.h"

TEST(SmmsUploadFile, OneFileAWindowRemovedWithIt) {
    QTemporaryDir host, state;
    ASSERT_TRUE(host.isValid() && state.isValid());
    g_strHostDir = host.path().toStdString() + "/";
    EXPECT_STREQ(zmsg::kSmmsUploadName, "Alder_SMMS_Upload.jpg");

    std::string first, second;
    {
        zmsg::SmmsUploadFile a;
        zmsg::SmmsUploadFile b;
        first = a.Path();
        second = b.Path();
        EXPECT_EQ(a.Path(), first); // the same file for the window's whole life
        ASSERT_FALSE(first.empty());
        EXPECT_NE(first, second);
        for (const std::string& path : {first, second}) {
            const QFileInfo info(QString::fromStdString(path));
            EXPECT_TRUE(info.exists());
            EXPECT_EQ(info.absolutePath(), host.path());
            EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("Alder_SMMS_Upload_")));
            EXPECT_TRUE(info.fileName().endsWith(QStringLiteral(".jpg")));
        }
        // One window's picture never lands in the other's file.
        QFile fa(QString::fromStdString(first));
        ASSERT_TRUE(fa.open(QIODevice::WriteOnly));
        fa.write("first window");
        fa.close();
        EXPECT_EQ(QFileInfo(QString::fromStdString(second)).size(), 0);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(first)));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(second)));
    EXPECT_TRUE(QDir(host.path()).isEmpty());

    // A host folder that cannot be written: the user's state folder; none at all: no file.
    ::setenv("XDG_STATE_HOME", state.path().toStdString().c_str(), 1);
    g_strHostDir = host.path().toStdString() + "/missing/";
    {
        zmsg::SmmsUploadFile c;
        EXPECT_EQ(QFileInfo(QString::fromStdString(c.Path())).absolutePath(),
                  state.path() + QStringLiteral("/zmsg"));
    }
    ::setenv("XDG_STATE_HOME", "/dev/null/state", 1);
    {
        zmsg::SmmsUploadFile d;
        EXPECT_EQ(d.Path(), std::string());
    }
    ::unsetenv("XDG_STATE_HOME");
    g_strHostDir.clear();
}
