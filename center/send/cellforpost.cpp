#include "center/send/cellforpost.h"

#include <algorithm>

#include "text/codec.h"

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
}

} // namespace

std::string GetCellForPost(std::string_view cellText) {
    std::string out;
    AppendCellForPost(out, cellText);
    return out;
}

void AppendCellForPost(std::string& out, std::string_view cellText) {
    // Most cells hold neither separator and go straight through.
    if (std::none_of(cellText.begin(), cellText.end(), [](char c) { return c == '}' || c == '|'; })) {
        zmsg::AppendCp949AsUtf8Url(out, cellText);
        return;
    }
    std::string text(cellText);
    ReplaceAll(text, "}{", "$@@$");
    ReplaceAll(text, "|", "@$$@");
    zmsg::AppendCp949AsUtf8Url(out, text);
}
