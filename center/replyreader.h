// Reading the service center's replies. After conversion from UTF-8 a reply is "<code>:<rest>":
// code '1' is success with elements "<NAME>value</NAME>" after the colon, any other code a failure
// whose rest is the center's own reason. Every check looks at the length before it looks at a
// character, so an empty or one-byte body is simply a failure without a reason.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/textscan.h" // the element readers

namespace zmsg {

// The reply as received (UTF-8) in the module's code page; characters CP949 cannot hold become '?'.
std::string ConvertReply(std::string_view utf8);
// Begins "1:" and has at least minLength bytes (each request fixes its own minimum).
bool IsPositiveReply(std::string_view reply, size_t minLength);
// Begins with that status code and a colon ("2:" is MARTINFO's "no account").
bool HasStatus(std::string_view reply, char code);
// The second character is a colon: the rest is the center's explanation.
bool HasReason(std::string_view reply);
// "\n\n☞ " and the reply from its third character, when it has a reason; otherwise empty.
std::string ReasonSuffix(std::string_view reply);

} // namespace zmsg
