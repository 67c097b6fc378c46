// What the coupon issue tests share beside the send fixture: a sample issue to the fixture's members.
#pragma once

#include "coupon/couponissue.h"
#include "tests/sms/sendfixture.h"

// Coupon 11 to `members` checked members of the fixture's store (or to every regular member).
inline CouponIssueInput SampleCouponIssue(int members, bool allMembers = false) {
    CouponIssueInput in;
    in.storeCode = 1001;
    in.empCode = 1;
    in.coupon = 11;
    in.allMembers = allMembers;
    for (int i = 0; i < members; ++i)
        in.rows.push_back({true, i + 1, SendFixture::PhoneOf(i)});
    return in;
}

inline CouponIssueResult IssueCoupon(SendFixture& f, const CouponIssueInput& in) {
    CouponIssueTransaction t(f.db(), in);
    return t.Run();
}
