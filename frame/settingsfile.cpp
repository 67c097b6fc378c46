#include "frame/settingsfile.h"

#include <QStandardPaths>
#include <QString>

namespace zmsg {

std::string SettingsFilePath(const std::string& name) {
    // QStandardPaths honours XDG_CONFIG_HOME and falls back to ~/.config.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString path =
        base + QStringLiteral("/zmsg/") + QString::fromStdString(name) + QStringLiteral(".ini");
    return path.toStdString();
}

} // namespace zmsg
