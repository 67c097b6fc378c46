#include "center/vexconfig.h"

#include <QSettings>
#include <QStandardPaths>

CvexConfig::CvexConfig(const std::string& name) : m_name(name) {}

std::string CvexConfig::FilePath() const {
    // QStandardPaths honours XDG_CONFIG_HOME and falls back to ~/.config.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString path =
        base + QStringLiteral("/zmsg/") + QString::fromStdString(m_name) + QStringLiteral(".ini");
    return path.toStdString();
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
