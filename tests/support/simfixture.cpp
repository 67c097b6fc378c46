#include "tests/support/simfixture.h"

#include "center/vexconfig.h"

SimFixture::SimFixture() {
    m_hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_previousXdg = qgetenv("XDG_CONFIG_HOME");
    if (!m_dir.isValid() || !m_server.Start(0))
        return;
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    CvexConfig config("ZMSG");
    config.SetConfigString("CENTER", "Host", m_server.BaseUrl());
    config.SetConfigString("CENTER", "OptOutHost", m_server.BaseUrl());
    m_ok = config.GetConfigString("CENTER", "Host") == m_server.BaseUrl();
}

SimFixture::~SimFixture() {
    m_server.Stop();
    if (m_hadXdg)
        qputenv("XDG_CONFIG_HOME", m_previousXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

std::string SimFixture::url(std::string_view path) const {
    return m_server.BaseUrl() + std::string(path);
}

std::string SimFixture::configHome() const {
    return m_dir.path().toStdString();
}
