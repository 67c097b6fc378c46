#include "results/runlock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

RunLock::~RunLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

std::string RunLock::PathFor(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir;
    if (runtime && *runtime) {
        dir = runtime;
    } else {
        dir = "/tmp/zmsg-" + std::to_string(::getuid());
        ::mkdir(dir.c_str(), 0700);
    }
    return dir + "/" + name;
}

bool RunLock::TryAcquire(const std::string& name) {
    if (m_fd >= 0)
        return true;
    const int fd = ::open(PathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}
