#include "center/vexconfig.h"

#include <QSettings>

#include "frame/settingsfile.h"

CvexConfig::CvexConfig(const std::string& name) : m_name(name) {}

std::string CvexConfig::FilePath() const {
    return zmsg::SettingsFilePath(m_name);
}

namespace {
QString keyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
} // namespace

int CvexConfig::GetConfigInt(const std::string& section, const std::string& key, int defaultValue) const {
    QSettings s(QString::fromStdString(FilePath()), QSettings::IniFormat);
    bool ok = false;
    const int v = s.value(keyOf(section, key)).toInt(&ok);
    return ok ? v : defaultValue;
}

void CvexConfig::SetConfigInt(const std::string& section, const std::string& key, int value) {
    QSettings s(QString::fromStdString(FilePath()), QSettings::IniFormat);
    s.setValue(keyOf(section, key), value);
}

std::string CvexConfig::GetConfigString(const std::string& section, const std::string& key,
                                        const std::string& defaultValue) const {
    QSettings s(QString::fromStdString(FilePath()), QSettings::IniFormat);
    const QVariant v = s.value(keyOf(section, key));
    return v.isValid() ? v.toString().toStdString() : defaultValue;
}

void CvexConfig::SetConfigString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    QSettings s(QString::fromStdString(FilePath()), QSettings::IniFormat);
    s.setValue(keyOf(section, key), QString::fromStdString(value));
}
