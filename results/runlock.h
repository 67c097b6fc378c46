// "Only one run at a time" across processes: an flock on a file named after the lock in the user's
// runtime folder. Held while the object lives; the system releases it if the process dies.
#pragma once

#include <string>

class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // False when another run holds it (or the lock file cannot be made).
    bool TryAcquire(const std::string& name);
    bool held() const { return m_fd >= 0; }

    // $XDG_RUNTIME_DIR/<name>, else /tmp/zmsg-<uid>/<name> (made private to the user).
    static std::string PathFor(const std::string& name);

private:
    int m_fd = -1;
};
