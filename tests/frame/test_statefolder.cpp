#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <sys/stat.h>

#include "frame/moduleapp.h"
#include "frame/statefolder.h"

// The journal and the receipt locks must land where every process of the store meets them, and never
// in a folder that cannot be written: a journal entry that is not on disk protects nothing.
TEST(StateFolder, HostFolderFirstThenTheUsersOwnThenNothing) {
    QTemporaryDir host, state;
    ASSERT_TRUE(host.isValid() && state.isValid());
    const std::string stateHome = state.path().toStdString();
    ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);

    g_strHostDir = host.path().toStdString() + "/";
    EXPECT_EQ(zmsg::StateFolder(), g_strHostDir);

    // A host folder nobody can write to (root ignores mode bits, so the folder cannot exist at all).
    g_strHostDir = host.path().toStdString() + "/missing/";
    EXPECT_EQ(zmsg::StateFolder(), stateHome + "/zmsg/");
    struct stat st {};
    ASSERT_EQ(::stat((stateHome + "/zmsg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::setenv("XDG_STATE_HOME", "/dev/null/state", 1);
    EXPECT_EQ(zmsg::StateFolder(), std::string());

    ::unsetenv("XDG_STATE_HOME");
    g_strHostDir.clear();
}
