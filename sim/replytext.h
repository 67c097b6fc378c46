// Pieces every verb of the simulated center uses to read a request and write its reply.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zmsg::sim {

// "<NAME>value</NAME>"
std::string Tag(const char* name, const std::string& value);
std::string Tag(const char* name, long long value);
// A refusal with the center's own reason: "0:reason".
std::string Fail(const std::string& reason);
// Whole decimal number (up to 18 digits, optional minus) or nullopt: the center refuses what it
// cannot read.
std::optional<long long> Number(const std::string& text);
bool AllDigits(const std::string& text, size_t min, size_t max);
// "}{a|x}{b" -> {"a|x", "b"}; the text before the first separator must be empty.
std::optional<std::vector<std::string>> SplitElements(const std::string& list);
// The phone of a recipient element "phone|field|field".
std::string PhoneOf(const std::string& element);

} // namespace zmsg::sim
