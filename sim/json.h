// Just enough JSON for the control surface: quoted strings that are always valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zmsg::sim {

// The text as a JSON string literal; bytes that are not UTF-8 become U+FFFD so a reader never chokes.
std::string JsonString(std::string_view text);

} // namespace zmsg::sim
