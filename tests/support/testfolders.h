// Folders of the test's own for everything the module keeps outside the store database: a runtime
// folder (XDG_RUNTIME_DIR), a state folder (XDG_STATE_HOME) and a host folder (g_strHostDir, where the
// journal, the receipt locks and the log live). Set for as long as the object lives, the previous values
// restored after: a test never meets the machine's folders, nor another test's.
#pragma once

#include <string>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QTemporaryDir>

class TestFolders {
public:
    TestFolders();
    ~TestFolders();
    TestFolders(const TestFolders&) = delete;
    TestFolders& operator=(const TestFolders&) = delete;

    bool ok() const { return m_ok; }
    std::string runtime() const; // without the trailing '/'
    std::string state() const;   // without the trailing '/'
    std::string host() const;    // with the trailing '/', as g_strHostDir

    // The program placed in the host folder (a hard link, or a copy), so that a process started from
    // it has this host folder as its own. Empty when it could not be placed.
    std::string PlaceProgram(const std::string& program) const;
    // A DISPLAY no X server can answer whatever else runs on the machine (a display number could be
    // taken by any Xvfb): a socket path in this test's own folder where there is none.
    std::string DeadDisplay() const;
    // The environment for a child process: the current one, with these runtime and state folders.
    QProcessEnvironment Environment() const;

private:
    struct Saved {
        const char* name;
        bool set = false;
        QByteArray value;
    };
    QTemporaryDir m_dir;
    Saved m_saved[2] = {{"XDG_RUNTIME_DIR", false, {}}, {"XDG_STATE_HOME", false, {}}};
    std::string m_previousHost;
    bool m_ok = false;
};
