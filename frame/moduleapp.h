// The module's application object: version, host folder and the page token.
#pragma once

#include <cstdint>
#include <string>

// Folder of the host executable, ending with '/'; empty until start-up.
extern std::string g_strHostDir;

class CModuleApp {
public:
    // Start-up: reads the module's own version and the host folder, and logs the data folder. False
    // (after telling the user) when the build number cannot be read; the module then refuses to run.
    bool InitInstance();
    bool IsStarted() const { return !m_strVersion.empty(); }

    std::string GetVersionString() const { return m_strVersion; }
    // The pm token appended to the center's page addresses.
    std::string MakeTimeToken(int32_t mart, int32_t emp) const;

    // Overrides where the version is read from (tests); empty means the module's own file.
    void SetVersionFileForTest(const std::string& path) { m_versionFile = path; }

private:
    std::string m_strVersion;
    std::string m_versionFile;
};

CModuleApp& theApp();

// Folder part of a path, up to and including its last '/'.
std::string HostDirFromExecutable(const std::string& exePath);
