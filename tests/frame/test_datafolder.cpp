#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

#include "frame/datafolder.h"
#include "frame/moduleapp.h"
#include "tests/support/testfolders.h"

namespace {

// What the settings say, whether the host folder can be written (here: whether it exists, as root
// ignores mode bits), whether the user's state folder can be made, and where the module then writes.
enum class Setting { None, Folder, Relative, Unmakeable };
enum class Expect { Configured, Host, State, Nothing };

struct Case {
    const char* name;
    Setting setting;
    bool hostWritable;
    bool stateUsable;
    Expect expect;
};

const Case kCases[] = {
    {"the host folder when it can be written", Setting::None, true, true, Expect::Host},
    {"else the user's own state folder", Setting::None, false, true, Expect::State},
    {"else nothing", Setting::None, false, false, Expect::Nothing},
    {"the folder the settings name, over the host folder", Setting::Folder, true, true, Expect::Configured},
    {"the folder the settings name, over the state folder", Setting::Folder, false, true, Expect::Configured},
    {"a named folder that cannot be made: nothing, no other", Setting::Unmakeable, true, true,
     Expect::Nothing},
    {"a relative name: nothing, no other", Setting::Relative, true, true, Expect::Nothing},
};

class DataFolderChoice : public ::testing::TestWithParam<Case> {};

TEST_P(DataFolderChoice, IsAsTheTableSays) {
    const Case& c = GetParam();
    TestFolders folders; // restores the host folder and the environment when the test ends
    ASSERT_TRUE(folders.ok());
    const std::string named = folders.state() + "-named/data/";
    switch (c.setting) {
    case Setting::None:
        break;
    case Setting::Folder:
        ASSERT_TRUE(folders.NameDataFolder(named));
        break;
    case Setting::Relative:
        ASSERT_TRUE(folders.NameDataFolder("zmsg-data"));
        break;
    case Setting::Unmakeable:
        ASSERT_TRUE(folders.NameDataFolder("/dev/null/zmsg"));
        break;
    }
    if (!c.hostWritable)
        g_strHostDir = folders.host() + "missing/";
    if (!c.stateUsable)
        ::setenv("XDG_STATE_HOME", "/dev/null/state", 1);

    const std::string expected = c.expect == Expect::Configured ? named
                                 : c.expect == Expect::Host     ? folders.host()
                                 : c.expect == Expect::State    ? folders.state() + "/zmsg/"
                                                                : std::string();
    EXPECT_EQ(zmsg::DataFolder(), expected);
    if (c.expect == Expect::Configured || c.expect == Expect::State) {
        // Made private when missing.
        struct stat st {};
        ASSERT_EQ(::stat(expected.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    EXPECT_EQ(zmsg::InSharedDataFolder(expected + "ZMSGSEND.dat"), c.expect == Expect::Configured);
}

INSTANTIATE_TEST_SUITE_P(Table, DataFolderChoice, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

bool Write(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray Read(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file left in another place the module wrote to is brought to the data folder when it is newer than
// the one there, and left alone when it is older.
TEST(DataFile, TheNewestCopyFollowsTheFolder) {
    TestFolders folders;
    ASSERT_TRUE(folders.ok());
    const std::string state = folders.state() + "/zmsg/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(state)));
    ASSERT_TRUE(Write(state + "ZMSG.dat", "in the state folder"));

    EXPECT_EQ(zmsg::DataFolderCandidates(), (std::vector<std::string>{folders.host(), state}));
    EXPECT_EQ(zmsg::DataFile("ZMSG.dat"), folders.host() + "ZMSG.dat");
    EXPECT_EQ(Read(folders.host() + "ZMSG.dat"), "in the state folder");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(state + "ZMSG.dat")));

    // Older than the one here: stays where it is, unused.
    ASSERT_TRUE(Write(state + "ZMSG.dat", "older"));
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (state + "ZMSG.dat").c_str(), times, 0), 0);
    EXPECT_EQ(zmsg::DataFile("ZMSG.dat"), folders.host() + "ZMSG.dat");
    EXPECT_EQ(Read(folders.host() + "ZMSG.dat"), "in the state folder");
    EXPECT_EQ(Read(state + "ZMSG.dat"), "older");

    // No data folder: no file.
    g_strHostDir = folders.host() + "missing/";
    ::setenv("XDG_STATE_HOME", "/dev/null/state", 1);
    EXPECT_EQ(zmsg::DataFile("ZMSG.dat"), std::string());
}

} // namespace
