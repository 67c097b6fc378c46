// Whether the store may issue app coupons: its code from the host's code table and the center's
// answer about it on the coupon address. No widgets here.
#pragma once

#include <cstdint>

class CSQLDirect;
class QWidget;

enum class CouponStoreCheck {
    Passed,
    NoReply, // the center did not answer
    NoStore, // the center has no coupon account for the store ("2:")
    Refused, // any other answer
};

// Reads the store code (0 when the code table has none) and asks the center. A failure is logged and
// shown (parent: the box's owner) before it returns.
CouponStoreCheck CheckCouponStore(CSQLDirect& db, int32_t& mart, QWidget* parent = nullptr);
