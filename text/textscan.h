// Plain scans over CP949 text that every reader of outside text shares: an element's value, a number
// read the way the C library reads one, line ends. Depends on the standard library only, so the fuzz
// harnesses build it alone.
#pragma once

#include <string>
#include <string_view>

// Every CR LF turned into LF: the center counts a line break as one byte.
std::string NormalizeLineEnds(std::string_view text);

namespace zmsg {

// Text between <key> and </key>; empty when either tag is missing.
std::string ElementText(std::string_view text, std::string_view key);
// An element read as the C library's text-to-number conversions read it (leading blanks, sign,
// digits, stop at the first other character); absent or unreadable gives 0, out of range clamps.
int ElementInt(std::string_view reply, std::string_view name);
long long ElementInt64(std::string_view reply, std::string_view name);
double ElementDouble(std::string_view reply, std::string_view name);

} // namespace zmsg
