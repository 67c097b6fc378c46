// Form bodies and the encodings the center's clients use, decoded the way a web server does.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zmsg::sim {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// "a=1&b=2" into decoded pairs, in order; a pair without '=' has an empty value.
FormFields ParseForm(std::string_view body);
// Value of the first field of that name; empty when absent.
std::string FieldOf(const FormFields& fields, std::string_view name);
// Standard Base64 (padding optional); characters outside the alphabet end the input.
std::string Base64Decode(std::string_view text);

} // namespace zmsg::sim
