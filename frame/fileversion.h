// The module's build number, embedded in its own file and read back from it.
#pragma once

#include <cstdint>
#include <string>

// Reads the four version numbers embedded in the file at path. False when the file has none.
bool GetFileVersion(const std::string& path, uint16_t& v1, uint16_t& v2, uint16_t& v3, uint16_t& v4);
// Full path of the file (shared library or executable) this code was loaded from.
std::string GetOwnModulePath();
