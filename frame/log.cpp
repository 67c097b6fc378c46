#include "frame/log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "frame/clock.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"

bool WriteLog(const std::string& text, int level) {
    const QDateTime now = zmsg::Clock::now(); // one reading for the file's date and the line's time
    const std::string path =
        g_strHostDir + "Log/ZMSG_" + now.toString(QStringLiteral("yyyyMMdd")).toStdString() + ".log";
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
    line += now.toString(QStringLiteral("HH:mm:ss")).toStdString();
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
