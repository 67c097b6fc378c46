// Digit filters shared by every Part that handles phone numbers.
#pragma once

#include <string>
#include <string_view>

// Only the bytes '0'..'9', in order.
std::string GetDigitsOnly(std::string_view text);
// The phone number a text starts with: digits and hyphens up to the first other byte, blanks dropped.
std::string GetLeadingPhoneNumber(std::string_view text);
