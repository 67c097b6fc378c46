#include "frame/log.h"

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/clock.h"
#include "frame/datafolder.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"

namespace {

// The file name and the line's time of one second, formatted once: a send logs a line a batch,
// many in the same second.
struct Stamp {
    time_t second = -1; // the system clock's second it was made in; -1 under a fixed clock
    std::string hostDir;
    pid_t pid = 0;
    std::string path;
    std::string time;
    bool shared = false; // in the folder the settings name: the file is opened to its group
};

// The folder of the day's files. In the host folder only a Log folder someone made is written to, as
// there always was; the module's own folders get theirs made. Without a data folder (the one the
// settings name cannot be written) the user's state folder keeps the lines that say why.
std::string LogFolder(bool& shared) {
    std::string folder = zmsg::DataFolder();
    if (folder.empty())
        folder = zmsg::UserStateFolder();
    shared = zmsg::InSharedDataFolder(folder);
    if (folder.empty())
        return std::string();
    std::string host = g_strHostDir;
    if (!host.empty() && host.back() != '/')
        host += '/';
    const std::string log = folder + "Log/";
    if (folder != host && ::mkdir(log.c_str(), 0755) == 0 && shared)
        ::chmod(log.c_str(), 0775);
    return log;
}

const Stamp& CurrentStamp() {
    thread_local Stamp stamp;
    // Reading the local time costs microseconds; the system clock's second is read for nothing.
    // A clock a test fixed is read every time: it may be moved at any moment.
    const time_t second = zmsg::Clock::isFixed() ? -1 : std::time(nullptr);
    // The folder is chosen again with the second: a folder that became writable or read-only is
    // followed within a second, and a child forked by a process of another account never uses its
    // parent's choice.
    if (second >= 0 && second == stamp.second && stamp.hostDir == g_strHostDir && stamp.pid == ::getpid())
        return stamp;
    const QDateTime now = zmsg::Clock::now(); // one reading for the file's date and the line's time
    stamp.second = second;
    stamp.hostDir = g_strHostDir;
    stamp.pid = ::getpid();
    const std::string folder = LogFolder(stamp.shared);
    // No folder: a path that cannot be opened, and the line is lost as with a missing Log folder.
    stamp.path = folder.empty() ? std::string()
                                : folder + "ZMSG_" +
                                      now.date().toString(QStringLiteral("yyyyMMdd")).toStdString() + ".log";
    stamp.time = now.time().toString(QStringLiteral("HH:mm:ss")).toStdString();
    return stamp;
}

} // namespace

bool WriteLog(const std::string& text, int level) {
    const Stamp& stamp = CurrentStamp();
    const std::string& path = stamp.path;
    // Append, creating the day's file when missing, never truncating: another process may be writing.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (stamp.shared)
        zmsg::OpenToFolderGroup(fd, path);
    // Appended piece by piece: a chain of temporaries here trips GCC 12's -Wrestrict at -O3.
    std::string line;
    line.reserve(text.size() + 24);
    line += '[';
    line += std::to_string(level);
    line += ']';
    line += stamp.time;
    line += " : ";
    line += text;
    line += "\r\n";
    // One write under an exclusive lock: lines of two processes never interleave.
    ::flock(fd, LOCK_EX);
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return true;
}

void LogAndShow(const std::string& text, int level) {
    WriteLog(text, level);
    ShowMessageBox(text, MB_OK);
}
