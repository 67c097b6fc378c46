// The items of a result reply, "phone:result#phone:result...", read as outside text: only what can
// be a phone and a result goes on to the history, so nothing the center sends reaches a statement
// unchecked. Standard library only (the fuzz harness compiles it alone).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ResultItem {
    std::string phone; // 5 to 20 digits
    int result = 0;    // 1 delivered, 2 failed, any other number as the center gave it
};

struct ResultItems {
    std::vector<ResultItem> items;
    std::vector<std::string> rejected; // non-empty items that were not "digits:digits", for the log
    size_t raw = 0;                    // items in the reply, good or not
};

// text: the reply after its "1:". Each item is trimmed of blanks and line ends; the phone is what
// precedes its last ':'; the result must be 1 to 9 digits.
ResultItems ParseResultItems(std::string_view text);
