// Stored phone numbers hide two digits behind a 32-bit key kept beside them in the database.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Replaces the fifth and sixth digits from the end with 'x' and gives the key that restores them.
// False (masked = phone, key = -1) for fewer than six digits, or an 'x' among them (already masked).
bool MaskPhone(std::string_view phone, std::string& masked, int32_t& key);
// The same with the key's random part r (1..50) given instead of drawn from the clock.
bool MaskPhone(std::string_view phone, std::string& masked, int32_t& key, int r);

// Restores the two hidden digits. Non-zero on success; zero with out = stored when the number is
// too short, the key is negative or does not hold a pair of digits, or the 'x' pair is not found.
int UnmaskPhone(std::string_view stored, int32_t key, std::string& out);
