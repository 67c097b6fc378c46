#include "center/pagehandover.h"

#include <climits>

#include "text/textscan.h"

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
}

} // namespace

std::optional<ImageBoxChoice> ParseImageBoxChoice(std::string_view pageText) {
    if (pageText.size() < 33)
        return std::nullopt;
    // The send names the picture by these two numbers alone: a choice without both would show a
    // picture in the preview and then send the message without it.
    const long long box = zmsg::ElementInt64(pageText, "BOX");
    const long long image = zmsg::ElementInt64(pageText, "IMG");
    if (box < 1 || box > INT_MAX || image < 1 || image > INT_MAX)
        return std::nullopt;
    ImageBoxChoice choice;
    choice.box = static_cast<int>(box);
    choice.image = static_cast<int>(image);
    choice.url = zmsg::ElementText(pageText, "URL");
    return choice;
}

CopiedSmms ParseCopiedSmms(std::string_view pageText) {
    CopiedSmms copied;
    copied.title = zmsg::ElementText(pageText, "SMMSTITLE");
    copied.content = zmsg::ElementText(pageText, "SMMSCONTENT");
    ReplaceAll(copied.content, "<BR>", "\n");
    ReplaceAll(copied.content, "</BR>", "\n");
    return copied;
}

std::string CopiedMessage(std::string_view pageText) {
    // Lead and trail bytes of a Korean character are never below 0x41, so a byte scan is safe.
    const size_t end = pageText.find_last_not_of(" \t\r\n\v\f");
    return NormalizeLineEnds(end == std::string_view::npos ? std::string_view()
                                                           : pageText.substr(0, end + 1));
}

int CouponFromPage(std::string_view pageText) {
    // Read as the C library reads a number; what no coupon can have (below 1, beyond an int) is none.
    const long long code = zmsg::ElementInt64(pageText, "CP");
    return code < 1 || code > INT_MAX ? 0 : static_cast<int>(code);
}
