// Texts the center's pages hand to the dialogs: whatever a page returns, reading it must not fault,
// and what is taken must be what the dialogs may use (a picture choice they can send by its numbers,
// a message without the page's markup, a coupon code that names a coupon or none).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "center/pagehandover.h"
#include "text/textscan.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto choice = ParseImageBoxChoice(text)) {
        Check(text.size() >= 33);
        // The send goes by these numbers; a choice it could not send must not be shown as taken.
        Check(choice->box > 0 && choice->image > 0);
        Check(choice->url == zmsg::ElementText(text, "URL"));
    }

    const CopiedSmms copied = ParseCopiedSmms(text);
    Check(copied.title.size() <= text.size() && copied.content.size() <= text.size());
    Check(copied.content.find("<BR>") == std::string::npos &&
          copied.content.find("</BR>") == std::string::npos);
    Check(copied.empty() == (copied.title.empty() && copied.content.empty()));

    const std::string message = CopiedMessage(text);
    Check(message.size() <= text.size());
    // Line breaks are kept, one LF each (a CR before a CR LF is the writer's own and stays).
    const std::string_view kept =
        text.substr(0, message.empty() ? 0 : text.find_last_not_of(" \t\r\n\v\f") + 1);
    Check(std::count(message.begin(), message.end(), '\n') == std::count(kept.begin(), kept.end(), '\n'));
    Check(message.empty() || std::string_view(" \t\r\n\v\f").find(message.back()) == std::string_view::npos);

    Check(CouponFromPage(text) >= 0);
    return 0;
}
