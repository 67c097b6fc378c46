// Named integer settings of the module: $XDG_CONFIG_HOME/zmsg/ZMSG.ini (INI groups and keys).
#pragma once

#include <string>

class CvexConfig {
public:
    explicit CvexConfig(const std::string& name = "ZMSG");
    int GetConfigInt(const std::string& section, const std::string& key, int defaultValue = 0) const;
    void SetConfigInt(const std::string& section, const std::string& key, int value);
    std::string GetConfigString(const std::string& section, const std::string& key,
                                const std::string& defaultValue = {}) const;
    void SetConfigString(const std::string& section, const std::string& key, const std::string& value);
    // The settings file's full path.
    std::string FilePath() const;

private:
    std::string m_name;
};
