#include "frame/statefolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/moduleapp.h"

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

std::string UserStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return WithSlash(state) + "zmsg/";
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return WithSlash(home) + ".local/state/zmsg/";
    return std::string();
}

} // namespace

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

std::string StateFolder() {
    if (IsWritableFolder(g_strHostDir))
        return WithSlash(g_strHostDir);
    const std::string user = UserStateFolder();
    if (user.empty() || !MakeFolders(user))
        return std::string();
    // A folder someone else made for us is not ours to trust.
    struct stat st {};
    if (::stat(user.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return std::string();
    return IsWritableFolder(user) ? user : std::string();
}

} // namespace zmsg
