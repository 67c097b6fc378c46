#include "center/web/pageurls.h"

#include <cstdio>

#include "center/centerconfig.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"

namespace zmsg {

namespace {

std::string WithToken(std::string url, int32_t mart, int32_t emp) {
    return url + "&pm=" + theApp().MakeTimeToken(mart, emp);
}

std::string Now(const char* format) {
    return Clock::now().toString(QString::fromLatin1(format)).toStdString();
}

} // namespace

std::string SmsPageUrl(int pageTab, int32_t mart, int32_t emp) {
    char path[64];
    std::snprintf(path, sizeof path, "/ZMSG/appSMS.aspx?tab=%d", pageTab);
    return WithToken(CenterUrl(path), mart, emp);
}

std::string SmmsPageUrl(std::string_view page, int32_t mart, int32_t emp) {
    return WithToken(CenterUrl("/SMMS/AppSMMS.aspx?page=" + std::string(page)), mart, emp);
}

std::string CouponPageUrl(std::string_view page, int32_t mart, int32_t emp) {
    return WithToken(CenterUrl("/CouponIssue/AppCoupon.aspx?page=" + std::string(page)), mart, emp);
}

std::string CouponSelectedUrl(int32_t coupon) {
    return CenterUrl("/CouponIssue/CouponSelected.aspx?cp=" + std::to_string(coupon) +
                     "&ts=" + Now("yyyyMMddHHmmss"));
}

std::string CallbackPageUrl(int32_t mart) {
    return CenterUrl("/ZMSG/SelCallback.aspx?mart=" + std::to_string(mart) + "&ts=" + Now("ssmmHHddMM"));
}

} // namespace zmsg
