// Addresses of the center's pages the dialogs show, on the center's host (CenterHost).
// The pages that identify the user carry the page token as "&pm=".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zmsg {

// The SMS dialog's page tabs, numbered 1 to 5 by the page.
std::string SmsPageUrl(int pageTab, int32_t mart, int32_t emp);
// page: "IMGBOX", "SENDED" or "OPENMSG".
std::string SmmsPageUrl(std::string_view page, int32_t mart, int32_t emp);
// page: "COUPON" or "ISSUELIST".
std::string CouponPageUrl(std::string_view page, int32_t mart, int32_t emp);
// The chosen coupon, stamped with the local time so the page is never taken from a cache.
std::string CouponSelectedUrl(int32_t coupon);
// The store's registered callback numbers; ts is "%S%M%H%d%m" of the local time.
std::string CallbackPageUrl(int32_t mart);

} // namespace zmsg
