// "Only one run at a time" across processes: an flock on a file named after the lock, beside the
// journal of unsettled sends (the state folder). That folder does not depend on the login's
// environment, so a run from cron and a run from a window take the same lock. Held while the object
// lives; the system releases it if the process dies.
#pragma once

#include <string>

class RunLock {
public:
    enum class Outcome {
        Held,     // this object holds the lock
        Busy,     // another run holds it
        Unusable, // the lock file could not be made or is not one to trust: see failure()
    };

    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    Outcome TryAcquire(const std::string& name);
    bool held() const { return m_fd >= 0; }
    // What went wrong, for the log and the message, after Unusable.
    const std::string& failure() const { return m_failure; }

    // <state folder><name>.lock; empty when there is no state folder.
    static std::string PathFor(const std::string& name);

private:
    int m_fd = -1;
    std::string m_failure;
};
