// The simulator in-process on a free port, with the module's settings pointed at it: a settings folder
// of the fixture's own (XDG_CONFIG_HOME) whose ZMSG.ini names the simulator as center and opt-out host.
// The previous XDG_CONFIG_HOME is restored when the fixture ends.
#pragma once

#include <string>
#include <string_view>

#include <QByteArray>
#include <QTemporaryDir>

#include "sim/simserver.h"

class SimFixture {
public:
    SimFixture();
    ~SimFixture();
    SimFixture(const SimFixture&) = delete;
    SimFixture& operator=(const SimFixture&) = delete;

    // False when the simulator could not start or the settings could not be written.
    bool ok() const { return m_ok; }
    zmsg::sim::SimServer& sim() { return m_server; }
    // "http://127.0.0.1:PORT" + path
    std::string url(std::string_view path) const;
    // The settings folder the fixture made (what XDG_CONFIG_HOME points at).
    std::string configHome() const;

private:
    QTemporaryDir m_dir;
    bool m_hadXdg = false;
    QByteArray m_previousXdg;
    zmsg::sim::SimServer m_server;
    bool m_ok = false;
};
