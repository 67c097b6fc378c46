#include "frame/moduleapp.h"

#include <cstdio>
#include <unistd.h>

#include "frame/clock.h"
#include "frame/datafolder.h"
#include "frame/fileversion.h"
#include "frame/messagebox.h"
#include "text/codec.h"

std::string g_strHostDir;

CModuleApp& theApp() {
    static CModuleApp app;
    return app;
}

std::string HostDirFromExecutable(const std::string& exePath) {
    const size_t slash = exePath.rfind('/');
    return slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
}

bool CModuleApp::InitInstance() {
    uint16_t v[4] = {};
    const std::string file = m_versionFile.empty() ? GetOwnModulePath() : m_versionFile;
    if (!GetFileVersion(file, v[0], v[1], v[2], v[3])) {
        ShowMessageBox(zmsg::K("실행된 프로그램의 빌드번호를 확인할 수 없습니다."), MB_ICONERROR);
        return false;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
    m_strVersion = buf;

    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    g_strHostDir = n > 0 ? HostDirFromExecutable(std::string(exe, static_cast<size_t>(n))) : std::string();
    zmsg::LogDataFolder();
    return true;
}

std::string CModuleApp::MakeTimeToken(int32_t mart, int32_t emp) const {
    const QDateTime now = zmsg::Clock::now(); // every field from one reading
    const QDate d = now.date();
    const QTime t = now.time();
    const long long k = t.second() + 13;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%02d%08lld%04lld%08lld%04lld%06lld%04lld%04lld", t.second(), mart * k,
                  t.minute() * k, emp * k, t.hour() * k, d.year() * k, d.month() * k, d.day() * k);
    return buf;
}
