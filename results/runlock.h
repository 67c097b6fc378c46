// "Only one run at a time" across processes: an flock on a file named after the lock, beside the
// journal of unsettled sends (the data folder). That folder does not depend on the login's
// environment as long as the host folder can be written or the settings name one, so a run from cron
// and a run from a window take the same lock. Held while the object lives; the system releases it if
// the process dies.
//
// Two processes may still choose different data folders: an account that cannot write the host folder
// keeps its files in its own state folder, and a process may lack the setting another one has. Each
// run therefore also takes the lock files already present in the other places this process could have
// written to (the host folder above all, where the account that can write it keeps its lock): a run
// there and a run here meet on that file. Where they still cannot meet (two accounts, neither able to
// write the host folder, no setting), nothing is applied twice all the same: each send is marked
// received in the transaction that applies its results. A till whose accounts must share one lock
// names one folder in the settings.
#pragma once

#include <string>
#include <vector>

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

    // <data folder><name>.lock; empty when there is no data folder.
    static std::string PathFor(const std::string& name);

private:
    void ReleaseAll();

    int m_fd = -1;
    std::vector<int> m_others; // the same lock's files in the other places, held with it
    std::string m_failure;
};
