// The character set a connection speaks; the module's own is CP949.
#pragma once

#include <string>
#include <string_view>

namespace zmsg::db {

enum class Charset { Cp949, Utf8 };

// Statement text from the module to the database.
std::string ToDatabase(Charset charset, std::string_view cp949);
// Values and messages from the database to the module. A character CP949 cannot hold becomes '?'.
std::string FromDatabase(Charset charset, std::string_view text);

} // namespace zmsg::db
