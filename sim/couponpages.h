// The center's coupon pages the coupon dialog shows (UTF-8 HTML, recorded and faulted under PAGE):
//
//   GET /CouponIssue/AppCoupon.aspx?page=COUPON&pm=TOKEN     the store's coupons; clicking one makes
//                                             jsGetCouponInfo return "<CP>code</CP><NAME>name</NAME>"
//                                             ("" before any click) and navigates to an address with
//                                             "DoSelectCoupon"
//   GET /CouponIssue/AppCoupon.aspx?page=ISSUELIST&pm=TOKEN  the store's issues: coupon, type, members
//                                             given it, ended or open
//   GET /CouponIssue/CouponSelected.aspx?cp=N&ts=YYYYmmddHHMMSS  the chosen coupon (cp=0: none chosen)
#pragma once

#include <string>

#include "sim/centerstate.h"
#include "sim/formdata.h"
#include "sim/pages.h"

namespace zmsg::sim {

bool IsCouponPage(const std::string& path);
PageReply CouponPage(const std::string& path, const FormFields& query, const CenterState& center);
// The sample coupons' names ("" for a code that is none).
std::string CouponName(int coupon);

} // namespace zmsg::sim
