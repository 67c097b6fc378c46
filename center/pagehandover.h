// What the center's pages hand over to the dialogs through their page functions: outside text,
// read here without a window so every reading is tested and fuzzed on its own. Texts are CP949.
// Depends on the standard library only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The image box page's choice ("<BOX>..</BOX><IMG>..</IMG><URL>..</URL>"); nullopt when the text is
// too short to hold one (under 33 characters) or the box or image number is not a positive int.
struct ImageBoxChoice {
    int box = 0;
    int image = 0;
    std::string url;
};
std::optional<ImageBoxChoice> ParseImageBoxChoice(std::string_view pageText);

// An earlier message offered by the app-message pages (sent and open messages): title and content,
// the content's "<BR>" and "</BR>" turned into line breaks.
struct CopiedSmms {
    std::string title;
    std::string content;
    bool empty() const { return title.empty() && content.empty(); }
};
CopiedSmms ParseCopiedSmms(std::string_view pageText);

// A text-message page's message as the composer takes it: trailing white space removed, CR LF turned
// into LF. Blank only gives an empty text.
std::string CopiedMessage(std::string_view pageText);

// The coupon list's choice ("<CP>code</CP>..."): the coupon code; 0 when none is chosen.
int CouponFromPage(std::string_view pageText);
