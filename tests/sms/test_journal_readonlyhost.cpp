// The journal of a host folder the process cannot write. Run by a process of another account (a child
// dropped to "nobody" when the test runs as root, which ignores mode bits).
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "center/send/sendstate.h"
#include "frame/moduleapp.h"
#include "tests/support/testfolders.h"

namespace {

constexpr uid_t kNobody = 65534;

// What SendStatePath() gives in a process that cannot write the host folder: 0 when it is `expected`,
// 1 when it is not, 2 when the account could not be changed.
int PathInOtherAccount(const std::string& expected) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        ::_exit(SendStatePath() == expected ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(JournalReadOnlyHost, AJournalTheProcessCannotReplaceStopsEverySend) {
    TestFolders folders;
    ASSERT_TRUE(folders.ok());
    const std::string host = folders.host();
    const std::string top = host.substr(0, host.size() - std::string("host/").size());
    ASSERT_EQ(::chmod(top.c_str(), 0755), 0);
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(folders.state().c_str(), kNobody, kNobody), 0);
    }

    // No journal in the read-only host folder: the user's own state folder keeps it.
    ASSERT_EQ(::chmod(host.c_str(), 0555), 0);
    EXPECT_EQ(PathInOtherAccount(folders.state() + "/zmsg/ZMSGSEND.dat"), 0);

    // A journal left there by an account that could write the folder, with an app message whose end
    // is unknown. Before, this process then kept a journal of its own beside it, never saw that end,
    // and its next press began a new message to the same members.
    ASSERT_EQ(::chmod(host.c_str(), 0755), 0);
    {
        SendState left(host + "ZMSGSEND.dat");
        PendingSend send;
        send.kind = SendKind::App;
        send.centerCode = 9000000001LL;
        send.storeCode = 1001;
        send.message = "x";
        send.recipients = {{3, "01012345678"}};
        left.Put(send);
        ASSERT_TRUE(left.Save());
    }
    ASSERT_EQ(::chmod(host.c_str(), 0555), 0);
    EXPECT_EQ(PathInOtherAccount(std::string()), 0);
    ASSERT_EQ(::chmod(host.c_str(), 0755), 0);
    // The process that can write the folder keeps using it.
    EXPECT_EQ(SendStatePath(), host + "ZMSGSEND.dat");
}

} // namespace
