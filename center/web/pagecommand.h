// Page commands: words a center page puts into the address it navigates to, to ask the dialog to
// fetch something from it. Each command has the private message its dialog handles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum : int {
    UM_COPYMSGTOAPP = 0x857,
    UM_COPYCALLBACKTOAPP = 0x859,
    UM_USEWEBIMGBOX = 0x861,
    UM_USEWEBCOPYMSG = 0x862,
    UM_SELECTCOUPON = 0x875,
};

namespace zmsg {

inline constexpr std::string_view kDoCopyMsgToApp = "DoCopyMsgToApp";
inline constexpr std::string_view kDoReloadCall = "DoReloadCall";
inline constexpr std::string_view kDoCopyCallbackToApp = "DoCopyCallbackToApp";
inline constexpr std::string_view kDoUseWebImgBox = "DoUseWebImgBox";
inline constexpr std::string_view kDoUseWebCopyMsg = "DoUseWebCopyMsg";
inline constexpr std::string_view kDoSelectCoupon = "DoSelectCoupon";

// Index of the first word (in the order given) that occurs anywhere in url, case-sensitively;
// -1 when none does. Order matters: an address may carry two commands and only the first counts.
int FindPageCommand(std::string_view url, const std::vector<std::string>& words);

} // namespace zmsg
