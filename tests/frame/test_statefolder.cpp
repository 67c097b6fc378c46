#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "frame/moduleapp.h"
#include "frame/statefolder.h"
#include "tests/support/testfolders.h"

// The journal and the receipt locks must land where every process of the store meets them, and never
// in a folder that cannot be written: a journal entry that is not on disk protects nothing.
TEST(StateFolder, HostFolderFirstThenTheUsersOwnThenNothing) {
    TestFolders folders; // restores the host folder and XDG_STATE_HOME when the test ends
    ASSERT_TRUE(folders.ok());
    const std::string stateHome = folders.state();
    EXPECT_EQ(zmsg::StateFolder(), folders.host());

    // A host folder nobody can write to (root ignores mode bits, so the folder cannot exist at all).
    g_strHostDir = folders.host() + "missing/";
    EXPECT_EQ(zmsg::StateFolder(), stateHome + "/zmsg/");
    struct stat st {};
    ASSERT_EQ(::stat((stateHome + "/zmsg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::setenv("XDG_STATE_HOME", "/dev/null/state", 1);
    EXPECT_EQ(zmsg::StateFolder(), std::string());
}
