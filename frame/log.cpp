#include "frame/log.h"

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "frame/clock.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"

namespace {

// The file name and the line's time of one second, formatted once: a send logs a line a batch,
// many in the same second.
struct Stamp {
    time_t second = -1; // the system clock's second it was made in; -1 under a fixed clock
    std::string hostDir;
    std::string path;
    std::string time;
};

const Stamp& CurrentStamp() {
    thread_local Stamp stamp;
    // Reading the local time costs microseconds; the system clock's second is read for nothing.
    // A clock a test fixed is read every time: it may be moved at any moment.
    const time_t second = zmsg::Clock::isFixed() ? -1 : std::time(nullptr);
    if (second >= 0 && second == stamp.second && stamp.hostDir == g_strHostDir)
        return stamp;
    const QDateTime now = zmsg::Clock::now(); // one reading for the file's date and the line's time
    stamp.second = second;
    stamp.hostDir = g_strHostDir;
    stamp.path =
        g_strHostDir + "Log/ZMSG_" + now.date().toString(QStringLiteral("yyyyMMdd")).toStdString() + ".log";
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
