#include "results/runlock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/statefolder.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

RunLock::~RunLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

std::string RunLock::PathFor(const std::string& name) {
    const std::string folder = zmsg::StateFolder();
    return folder.empty() ? std::string() : folder + name + ".lock";
}

RunLock::Outcome RunLock::TryAcquire(const std::string& name) {
    if (m_fd >= 0)
        return Outcome::Held;
    m_failure.clear();
    const std::string path = PathFor(name);
    if (path.empty()) {
        m_failure = "no writable state folder";
        return Outcome::Unusable;
    }
    auto unusable = [&](const std::string& why) {
        m_failure = path + ": " + why;
        return Outcome::Unusable;
    };
    // Never through a link someone left at the path. Readable by every user of a shared host folder
    // (flock needs no write access), so a cron job of another account meets the same lock.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES)
        fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return unusable(std::strerror(errno));
    // A lock file is trusted when it is a plain file made by this user, by the folder's owner or by
    // root: anyone else who can write to the folder could otherwise hold it and stop every run.
    struct stat st {};
    struct stat folder {};
    if (::fstat(fd, &st) != 0 || ::stat(FolderOf(path).c_str(), &folder) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        return unusable(why);
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd);
        return unusable("not a plain file");
    }
    if (st.st_uid != ::getuid() && st.st_uid != folder.st_uid && st.st_uid != 0) {
        ::close(fd);
        return unusable("owned by another user (" + std::to_string(st.st_uid) + ")");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Outcome::Busy;
        m_failure = path + ": " + std::strerror(err);
        return Outcome::Unusable;
    }
    m_fd = fd;
    return Outcome::Held;
}
