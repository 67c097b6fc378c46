#include "coupon/couponstore.h"

#include <cstdlib>
#include <string>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/storecode.h"
#include "coupon/couponissue.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr size_t kMartInfoMinLength = 10;

void Tell(const std::string& text, QWidget* parent) {
    WriteLog(text, 1);
    ShowMessageBox(text, MB_OK, 0, 0, parent);
}

} // namespace

CouponStoreCheck CheckCouponStore(CSQLDirect& db, int32_t& mart, QWidget* parent) {
    // Only a statement that runs and returns a row gives the code; anything else leaves it as it was.
    if (const auto storeCode = ReadStoreCode(db))
        mart = *storeCode;

    const std::string body =
        "work=MARTINFO&mart=" + std::to_string(mart) + "&ver=" + zmsg::UrlEncode(VersionForCenter());
    std::string raw;
    if (!RequestPost(zmsg::CenterUrl(CouponIssueTransaction::kPath), body, raw, 0, ConnectionUse::Shared)) {
        Tell(K("센터에서 점포정보를 참조할 수 없습니다.(통신실패)"), parent);
        return CouponStoreCheck::NoReply;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (zmsg::IsPositiveReply(reply, kMartInfoMinLength))
        return CouponStoreCheck::Passed;
    if (zmsg::HasStatus(reply, '2')) {
        Tell(K("센터에 쿠폰발행용 점포정보가 없습니다.\n\n고객지원센터에 문의해 주십시오."), parent);
        return CouponStoreCheck::NoStore;
    }
    Tell(K("센터 점포정보 확인실패 : ") + (zmsg::HasReason(reply) ? reply : std::string()), parent);
    return CouponStoreCheck::Refused;
}
