// The helper threads of a send (the batch builder, the state file writer): the window's thread waits
// on them, so they must get a processor as readily as it does. In the idle class they ran only while
// no other program wanted the processor, and a send on a busy till crawled.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sched.h>

#include <fstream>
#include <sstream>

#include "center/requestclient.h"
#include "tests/sms/sendfixture.h"

namespace {

// The scheduling policy of every thread of this process (field 41 of its stat line).
std::vector<int> ThreadPolicies() {
    std::vector<int> out;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir)
        return out;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(in, line))
            continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 2)); // from field 3 on
        std::string field;
        for (int i = 3; i <= 41 && fields >> field; ++i)
            if (i == 41)
                out.push_back(std::atoi(field.c_str()));
    }
    ::closedir(dir);
    return out;
}

TEST(SendThreads, HelpersRunInTheOrdinaryClassWhileTheSendWaits) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(0));
    // Many small batches: the helpers are still at work while the first requests go out.
    const SmsSendInput input = f.Input(4000, 10);
    int samples = 0;
    int idle = 0;
    size_t most = 0;
    const zmsg::ScopedRequestProgress watch([&] {
        const std::vector<int> policies = ThreadPolicies();
        ++samples;
        most = std::max(most, policies.size());
        for (int p : policies)
            idle += p == SCHED_IDLE ? 1 : 0;
    });
    const SmsSendResult result = f.Send(input);
    ASSERT_EQ(result.outcome, SmsSendOutcome::Sent);
    EXPECT_GT(samples, 0);
    EXPECT_GT(most, 1u);
    EXPECT_EQ(idle, 0) << "a helper the send waits on ran in the idle class";
}

} // namespace
