#include "tests/support/testfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <unistd.h>

#include "frame/moduleapp.h"

TestFolders::TestFolders() {
    for (Saved& s : m_saved) {
        s.set = qEnvironmentVariableIsSet(s.name);
        s.value = qgetenv(s.name);
    }
    m_previousHost = g_strHostDir;
    if (!m_dir.isValid())
        return;
    QDir dir(m_dir.path());
    if (!dir.mkdir(QStringLiteral("runtime")) || !dir.mkdir(QStringLiteral("state")) ||
        !dir.mkdir(QStringLiteral("host")) ||
        !QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime()));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state()));
    g_strHostDir = host();
    m_ok = true;
}

TestFolders::~TestFolders() {
    for (const Saved& s : m_saved) {
        if (s.set)
            qputenv(s.name, s.value);
        else
            qunsetenv(s.name);
    }
    g_strHostDir = m_previousHost;
}

std::string TestFolders::runtime() const {
    return m_dir.filePath(QStringLiteral("runtime")).toStdString();
}

std::string TestFolders::state() const {
    return m_dir.filePath(QStringLiteral("state")).toStdString();
}

std::string TestFolders::host() const {
    return m_dir.filePath(QStringLiteral("host")).toStdString() + "/";
}

std::string TestFolders::PlaceProgram(const std::string& program) const {
    const std::string placed = host() + QFileInfo(QString::fromStdString(program)).fileName().toStdString();
    if (::link(program.c_str(), placed.c_str()) == 0)
        return placed;
    return QFile::copy(QString::fromStdString(program), QString::fromStdString(placed)) ? placed
                                                                                        : std::string();
}

std::string TestFolders::DeadDisplay() const {
    // The folder is never made, and nobody else can make it inside this test's private one.
    return m_dir.filePath(QStringLiteral("no-x-server/X0")).toStdString();
}

QProcessEnvironment TestFolders::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime()));
    env.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromStdString(state()));
    if (QFileInfo::exists(QString::fromStdString(config())))
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config()));
    return env;
}

std::string TestFolders::config() const {
    return m_dir.filePath(QStringLiteral("config")).toStdString();
}

bool TestFolders::NameDataFolder(const std::string& folder) {
    const QString settingsFolder = QString::fromStdString(config()) + QStringLiteral("/zmsg");
    if (!QDir().mkpath(settingsFolder))
        return false;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config()));
    QSettings settings(settingsFolder + QStringLiteral("/ZMSG.ini"), QSettings::IniFormat);
    if (folder.empty())
        settings.remove(QStringLiteral("ZMSG/DataDir"));
    else
        settings.setValue(QStringLiteral("ZMSG/DataDir"), QString::fromStdString(folder));
    settings.sync();
    // Readable by a child of another account, as a till's settings are.
    // (Nothing to remove from no file: none is made.)
    return settings.status() == QSettings::NoError &&
           (!QFile::exists(settings.fileName()) ||
            QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ReadGroup | QFileDevice::ReadOther));
}
