// A list cell as a recipient batch carries it (merge fields of SMS and app messages alike).
#pragma once

#include <string>
#include <string_view>

// A cell's text made safe for a request body: "}{" -> "$@@$", "|" -> "@$$@", then UTF-8, URL-encoded.
std::string GetCellForPost(std::string_view cellText);
// The same, appended to out: a send builds its batches from many cells.
void AppendCellForPost(std::string& out, std::string_view cellText);
