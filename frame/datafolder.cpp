#include "frame/datafolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>
#include <QString>

#include "frame/log.h"
#include "frame/moduleapp.h"
#include "frame/settingsfile.h"
#include "text/codec.h"

namespace zmsg {

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

// Makes every missing folder of the path; the last one private to the user.
bool MakeFolders(const std::string& folder) {
    for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1)) {
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), at + 1 == folder.size() ? 0700 : 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string UserStatePath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return WithSlash(state) + "zmsg/";
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return WithSlash(home) + ".local/state/zmsg/";
    return std::string();
}

bool IsOwnFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool IsFolder(const std::string& folder) {
    struct stat st {};
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class Source { Configured, Host, State };

struct Choice {
    Source source = Source::State;
    std::string folder; // empty when the chosen one cannot be used
    std::string wanted; // the folder chosen, usable or not
};

Choice Choose() {
    Choice c;
    const std::string configured = ConfiguredDataFolder();
    if (!configured.empty()) {
        c.source = Source::Configured;
        c.wanted = configured;
        // A relative name would mean another folder for every working directory.
        if (configured.front() == '/' && MakeFolders(configured) && IsWritableFolder(configured))
            c.folder = configured;
        return c;
    }
    const std::string host = WithSlash(g_strHostDir);
    if (IsWritableFolder(host)) {
        c.source = Source::Host;
        c.wanted = c.folder = host;
        return c;
    }
    c.wanted = UserStatePath();
    c.folder = UserStateFolder();
    return c;
}

struct FileTime {
    bool exists = false;
    timespec mtime{};
};

FileTime TimeOf(const std::string& path) {
    struct stat st {};
    FileTime t;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        t.exists = true;
        t.mtime = st.st_mtim;
    }
    return t;
}

bool Newer(const FileTime& a, const FileTime& b) {
    if (!b.exists)
        return a.exists;
    return a.exists && (a.mtime.tv_sec != b.mtime.tv_sec ? a.mtime.tv_sec > b.mtime.tv_sec
                                                         : a.mtime.tv_nsec > b.mtime.tv_nsec);
}

// Copies from over to, whole or not at all (a reader never meets half a file).
bool CopyInPlace(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in)
        return false;
    const std::string tmp = to + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    if (ok) {
        OpenToFolderGroup(fd, tmp);
        char buf[8192];
        size_t n;
        while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
            ok = ::write(fd, buf, n) == static_cast<ssize_t>(n);
        ok = ok && !std::ferror(in);
        ok = ::close(fd) == 0 && ok;
    }
    std::fclose(in);
    if (ok && std::rename(tmp.c_str(), to.c_str()) == 0)
        return true;
    std::remove(tmp.c_str());
    return false;
}

} // namespace

std::string ConfiguredDataFolder() {
    const QSettings settings(QString::fromStdString(SettingsFilePath("ZMSG")), QSettings::IniFormat);
    const QString folder = settings.value(QStringLiteral("ZMSG/DataDir")).toString().trimmed();
    return WithSlash(QFile::encodeName(folder).toStdString());
}

bool IsWritableFolder(const std::string& folder) {
    if (folder.empty())
        return false;
    std::string probe = WithSlash(folder) + ".zmsg-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string UserStateFolder() {
    const std::string user = UserStatePath();
    if (user.empty() || !MakeFolders(user))
        return std::string();
    // A folder someone else made for us is not ours to trust.
    return IsOwnFolder(user) && IsWritableFolder(user) ? user : std::string();
}

std::string DataFolder() {
    return Choose().folder;
}

std::vector<std::string> DataFolderCandidates() {
    std::vector<std::string> found;
    const std::string user = UserStatePath();
    for (const std::string& folder : {ConfiguredDataFolder(), WithSlash(g_strHostDir), user}) {
        if (folder.empty() || folder.front() != '/' || !IsFolder(folder) ||
            (folder == user && !IsOwnFolder(folder)))
            continue;
        bool seen = false;
        for (const std::string& f : found)
            seen = seen || f == folder;
        if (!seen)
            found.push_back(folder);
    }
    return found;
}

bool InSharedDataFolder(const std::string& path) {
    const std::string shared = ConfiguredDataFolder();
    return !shared.empty() && path.compare(0, shared.size(), shared) == 0;
}

void OpenToFolderGroup(int fd, const std::string& path) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_uid != ::getuid() || (st.st_mode & 0060) == 0060 ||
        !InSharedDataFolder(path))
        return;
    ::fchmod(fd, (st.st_mode & 07777) | 0060);
}

std::string DataFile(const std::string& name) {
    const std::string folder = DataFolder();
    if (folder.empty())
        return std::string();
    const std::string here = folder + name;
    FileTime newest = TimeOf(here);
    std::string from;
    for (const std::string& other : DataFolderCandidates()) {
        const FileTime t = TimeOf(other + name);
        if (other != folder && Newer(t, newest)) {
            newest = t;
            from = other + name;
        }
    }
    if (from.empty())
        return here;
    // The copy is newer than what it came from, so a copy left behind in a read-only folder never
    // wins over it later.
    if (CopyInPlace(from, here)) {
        const bool moved = std::remove(from.c_str()) == 0;
        WriteLog((moved ? K("다른 폴더의 파일을 데이터 폴더로 옮겼습니다: ")
                        : K("다른 폴더의 파일을 데이터 폴더로 복사했습니다: ")) +
                     from + " -> " + here,
                 0);
    } else {
        WriteLog(K("다른 폴더의 파일을 데이터 폴더로 가져올 수 없습니다: ") + from + " -> " + here, 1);
    }
    return here;
}

void LogDataFolder() {
    const Choice c = Choose();
    const std::string why = c.source == Source::Configured ? K("(ZMSG.ini DataDir 설정)")
                            : c.source == Source::Host     ? K("(프로그램 폴더)")
                                                           : K("(사용자 상태 폴더)");
    if (!c.folder.empty())
        WriteLog(K("데이터 폴더: ") + c.folder + " " + why, 0);
    else
        WriteLog(K("데이터 폴더에 쓸 수 없습니다: ") + (c.wanted.empty() ? std::string("-") : c.wanted) +
                     " " + why,
                 1);
}

} // namespace zmsg
