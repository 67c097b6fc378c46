// Where the module's settings file lives: $XDG_CONFIG_HOME/zmsg/<name>.ini (~/.config/zmsg/ when the
// variable is unset). The frame reads its data folder from it; the settings object above reads the rest.
#pragma once

#include <string>

namespace zmsg {

std::string SettingsFilePath(const std::string& name);

} // namespace zmsg
