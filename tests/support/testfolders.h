// Folders of the test's own for everything the module keeps outside the store database: a runtime
// folder (XDG_RUNTIME_DIR), a state folder (XDG_STATE_HOME), a host folder (g_strHostDir, where the
// journal, the receipt locks and the log live while it can be written) and, when asked for, settings
// naming a data folder (XDG_CONFIG_HOME). Set for as long as the object lives, the previous values
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
    // The environment for a child process: the current one, with these runtime and state folders (and
    // this settings folder once NameDataFolder made one).
    QProcessEnvironment Environment() const;
    // Settings of the test's own (XDG_CONFIG_HOME, restored as the others) whose ZMSG.ini names that
    // data folder; an empty folder removes the setting. False when the file could not be written.
    bool NameDataFolder(const std::string& folder);
    std::string config() const; // without the trailing '/'

private:
    struct Saved {
        const char* name;
        bool set = false;
        QByteArray value;
    };
    QTemporaryDir m_dir;
    Saved m_saved[3] = {
        {"XDG_RUNTIME_DIR", false, {}}, {"XDG_STATE_HOME", false, {}}, {"XDG_CONFIG_HOME", false, {}}};
    std::string m_previousHost;
    bool m_ok = false;
};
