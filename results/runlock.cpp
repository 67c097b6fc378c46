#include "results/runlock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/datafolder.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

enum class Opened { Ok, Missing, Failed };

// Opens the lock file at path, made when `make` and missing. Never through a link someone left at the
// path. Readable by every user of a shared host folder (flock needs no write access), so a cron job of
// another account meets the same lock.
Opened OpenLock(const std::string& path, bool make, int& fd, std::string& why) {
    fd = ::open(path.c_str(), O_RDWR | (make ? O_CREAT : 0) | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES)
        fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return errno == ENOENT ? Opened::Missing : Opened::Failed;
    }
    zmsg::OpenToFolderGroup(fd, path);
    // A lock file is trusted when it is a plain file made by this user, by the folder's owner or by
    // root: anyone else who can write to the folder could otherwise hold it and stop every run. In the
    // folder the settings name, whoever can write there is one of the accounts meant to share it.
    struct stat st {};
    struct stat folder {};
    if (::fstat(fd, &st) != 0 || ::stat(FolderOf(path).c_str(), &folder) != 0) {
        why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode) || st.st_nlink != 1) {
        why = "not a plain file";
    } else if (st.st_uid != ::getuid() && st.st_uid != folder.st_uid && st.st_uid != 0 &&
               !zmsg::InSharedDataFolder(path)) {
        why = "owned by another user (" + std::to_string(st.st_uid) + ")";
    } else {
        return Opened::Ok;
    }
    ::close(fd);
    fd = -1;
    return Opened::Failed;
}

} // namespace

RunLock::~RunLock() {
    ReleaseAll();
}

void RunLock::ReleaseAll() {
    // Closing releases the lock.
    for (const int fd : m_others)
        ::close(fd);
    m_others.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::string RunLock::PathFor(const std::string& name) {
    const std::string folder = zmsg::DataFolder();
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
    int fd = -1;
    std::string why;
    if (OpenLock(path, true, fd, why) != Opened::Ok) {
        m_failure = path + ": " + why;
        return Outcome::Unusable;
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
    // Never waited for, so taking several in any order cannot deadlock. One that cannot be opened or
    // trusted is passed over: it is only a second meeting point, and the data folder's lock is held.
    const std::string own = FolderOf(path);
    struct stat held {};
    ::fstat(m_fd, &held);
    for (const std::string& folder : zmsg::DataFolderCandidates()) {
        if (folder == own || OpenLock(folder + name + ".lock", false, fd, why) != Opened::Ok)
            continue;
        // The data folder's own file under another name (a link to the folder): already held.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_dev == held.st_dev && st.st_ino == held.st_ino) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_others.push_back(fd);
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            ReleaseAll();
            return Outcome::Busy;
        }
    }
    return Outcome::Held;
}
