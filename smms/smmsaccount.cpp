#include "smms/smmsaccount.h"

#include <cstdlib>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/storecode.h"
#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/digits.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr size_t kMartInfoMinLength = 10;

// Only a result of exactly 0 with a row counts here: anything else keeps the value it had.
bool ReadRow(CSQLDirect& db, const std::string& sql) {
    return db.ExecuteSQL(sql.c_str()) == SQL_OK && db.Fetch() == SQL_OK;
}

} // namespace

std::string CallbackMismatchText(const std::string& centerCallback, const std::string& shownDigits) {
    if (centerCallback.empty() || centerCallback == shownDigits)
        return {};
    return K("최종발신번호(") + centerCallback + K(")가 대표전화번호(") + shownDigits +
           K(")와 다릅니다.\n\n전송창에는 대표전화번호로 표시됩니다.\n발신번호를 확인후 전송해 주십시오.");
}

SmmsAccountFetch InitSmmsAccount(CSQLDirect& db, int32_t empCode, SmmsAccount& account, QWidget* parent) {
    if (const auto storeCode = ReadStoreCode(db))
        account.storeCode = *storeCode;
    if (ReadRow(db, "SELECT cc_strval FROM ccode WHERE cc_code=21"))
        account.storeName = db.GetCol(1);
    if (ReadRow(db, "SELECT [name], phone_cel FROM employee WHERE [code]=" + std::to_string(empCode))) {
        account.employeeName = CvexGlobal::Trim(db.GetCol(1));
        account.employeeMobile = CvexGlobal::Trim(db.GetCol(2));
    }
    if (ReadRow(db, "SELECT cc_strval FROM ccode WHERE cc_code=25"))
        account.storePhone = GetLeadingPhoneNumber(db.GetCol(1));

    const std::string body = "work=MARTINFO&mart=" + std::to_string(account.storeCode) +
                             "&ver=" + zmsg::UrlEncode(VersionForCenter());
    std::string raw;
    if (!RequestPost(zmsg::CenterUrl("/SMMS/AppRequest.ashx"), body, raw, 0, ConnectionUse::Shared)) {
        LogAndShow(K("센터에서 점포정보를 참조할 수 없습니다.(통신실패)"), 1);
        return SmmsAccountFetch::Failed;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, kMartInfoMinLength)) {
        if (zmsg::HasStatus(reply, '2')) {
            LogAndShow(K("SMS 전송용 계정이 없습니다.\n\n콜센터에 문의해 주십시오."), 1);
            return SmmsAccountFetch::NoAccount;
        }
        LogAndShow(K("센터 점포정보 확인실패 : ") + (zmsg::HasReason(reply) ? reply : std::string()), 1);
        return SmmsAccountFetch::Failed;
    }
    account.callsNow = zmsg::ElementInt(reply, "CALL_NOW");
    account.callback = CvexGlobal::Trim(CvexGlobal::GetParsedElement(reply, "CALLBACK"));
    const std::string warning = CallbackMismatchText(account.callback, GetDigitsOnly(account.storePhone));
    if (!warning.empty())
        ShowMessageBox(warning, MB_OK, 0, 0, parent);
    WriteLog(K("센터계정확인 : 잔여콜=") + std::to_string(account.callsNow), 0);
    return SmmsAccountFetch::Ok;
}
