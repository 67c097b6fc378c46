#include "sms/account.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/storecode.h"
#include "center/vexconfig.h"
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

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

// The first column of the first row; nothing when the statement failed or found no row, so the
// caller keeps what it had.
bool ReadFirstColumn(CSQLDirect& db, const std::string& sql, std::string& value) {
    if (!Succeeded(db.ExecuteSQL(sql.c_str())) || db.Fetch() != SQL_OK)
        return false;
    value = db.GetCol(1);
    return true;
}

std::string Element(const std::string& reply, const char* name) {
    return CvexGlobal::GetParsedElement(reply, name);
}

void ReadStoreValues(CSQLDirect& db, int32_t empCode, SmsAccount& account) {
    if (const auto storeCode = ReadStoreCode(db, StoreCodeRead::WarningsAllowed))
        account.storeCode = *storeCode;
    std::string value;
    if (ReadFirstColumn(db, "SELECT [name] FROM employee WHERE [code]=" + std::to_string(empCode), value))
        account.employeeName = CvexGlobal::Trim(value);
    if (ReadFirstColumn(db, "SELECT cc_strval FROM ccode WHERE cc_code=25", value))
        account.storePhone = GetLeadingPhoneNumber(value);
    if (ReadFirstColumn(db, "SELECT cc_strval FROM ccode WHERE cc_code=21", value))
        account.storeName = value;
    if (ReadFirstColumn(db, "SELECT cc_strval FROM ccode WHERE cc_code=22", value))
        account.businessNumber = value;
}

} // namespace

AccountFetch FetchAccount(CSQLDirect& db, int32_t empCode, SmsAccount& account, QWidget* parent) {
    ReadStoreValues(db, empCode, account);

    const std::string body = "work=MARTINFO&mart=" + std::to_string(account.storeCode) +
                             "&ver=" + zmsg::UrlEncode(VersionForCenter());
    std::string raw;
    if (!RequestPost(zmsg::CenterUrl("/ZMSG/AppRequest.ashx"), body, raw, 0, ConnectionUse::Shared)) {
        LogAndShow(K("센터에서 점포정보를 참조할 수 없습니다.(통신실패)"), 1);
        return AccountFetch::Failed;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, kMartInfoMinLength)) {
        if (zmsg::HasStatus(reply, '2')) {
            ShowMessageBox(K("SMS 전송용 계정이 없습니다.\n\n콜센터에 문의해 주십시오.\n☎ ") +
                               account.centerPhone,
                           MB_OK, 0, 0, parent);
            return AccountFetch::NoAccount;
        }
        LogAndShow(K("센터 점포정보 확인실패 : ") + (zmsg::HasReason(reply) ? reply : std::string()), 1);
        return AccountFetch::Failed;
    }

    const std::string payType = Element(reply, "PAY_TYPE");
    if (payType == "CALL") {
        account.payType = 1;
    } else if (payType == "AS") {
        account.payType = 2;
    } else {
        LogAndShow(K("계정의 메시지발송 차감방식 체크결과가 잘못되었습니다."), 1);
        return AccountFetch::Failed;
    }

    if (account.payType == 2) {
        account.balance = zmsg::ElementDouble(reply, "AS_BALANCE");
        account.smsPrice = zmsg::ElementDouble(reply, "UNITS");
        account.lmsPrice = zmsg::ElementDouble(reply, "UNITL");
    } else {
        account.callsNow = zmsg::ElementInt(reply, "CALL_NOW");
        account.lmsCalls = zmsg::ElementDouble(reply, "LMS_CALL");
        if (account.lmsCalls < 1.0 || account.lmsCalls > 10.0)
            account.lmsCalls = 0;
        account.balance = account.callsNow;
    }

    account.lmsAdLen = zmsg::ElementInt(reply, "LMS_AD_LEN");
    if (account.lmsAdLen < 1 || account.lmsAdLen > 1000)
        account.lmsAdLen = 0;
    account.callback = Element(reply, "CALLBACK");
    account.reserved = zmsg::ElementInt(reply, "RESERVE");
    account.account1 = Element(reply, "ACC1");
    account.account2 = Element(reply, "ACC2");
    account.account3 = Element(reply, "ACC3");
    account.centerPhone = Element(reply, "CEN_TEL");
    if (account.centerPhone.size() < 7)
        account.centerPhone = "1600-0000";
    account.centerFax = Element(reply, "CEN_FAX");

    char line[128];
    std::snprintf(line, sizeof line, "=%.1f", account.balance);
    WriteLog(K("센터계정확인 : 잔여") + (account.payType == 2 ? K("AS머니") : K("콜")) + line, 0);
    return AccountFetch::Ok;
}

int LoadBindOnce() {
    CvexConfig config("ZMSG");
    const int value = config.GetConfigInt("SEND_SMS", "BindOnce", 0);
    if (value >= 10 && value <= 1000)
        return value;
    config.SetConfigInt("SEND_SMS", "BindOnce", 100);
    return 100;
}

double UnitCharge(const SmsAccount& account, bool lms) {
    if (account.payType == 1)
        return lms ? account.lmsCalls : 1.0;
    if (account.payType == 2)
        return lms ? account.lmsPrice : account.smsPrice;
    return 0;
}

double TotalCharge(int smsCount, double unitCharge, int32_t payType) {
    const double total = smsCount * unitCharge;
    return payType == 1 ? std::floor(total) : total;
}

std::string MoneyText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s = text;
    const size_t dot = s.find('.');
    std::string whole = s.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : s.substr(dot);
    if (fraction == ".0")
        fraction.clear();
    if (whole == "-0" && fraction.empty())
        whole = "0";
    return CvexGlobal::GetMoneyString(whole) + fraction;
}

std::string FigureText(double value, int32_t payType) {
    return MoneyText(value) + (payType == 1 ? K(" 콜") : std::string(" AS"));
}

std::string UnitChargeText(double unitCharge, int32_t payType) {
    if (unitCharge <= 0)
        return K("사용불가");
    return FigureText(unitCharge, payType);
}

std::string UnitChargeLabel(double unitCharge, int32_t payType, bool lms) {
    if (unitCharge <= 0 || (payType == 1 && !lms))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "(%.1f) ", unitCharge);
    std::string s = text;
    for (size_t p = s.find(".0"); p != std::string::npos; p = s.find(".0"))
        s.erase(p, 2);
    return s;
}

std::string UnitChargeTip(int32_t payType, bool lms) {
    return std::string(lms ? "LMS" : "SMS") + K("전송 1건당 차감되는 ") +
           (payType == 1 ? K("콜") : K("AS머니"));
}

std::string BalanceCaption(int32_t payType) {
    return payType == 2 ? K("AS잔액 :") : K("잔여 콜 :");
}

std::string KindCaption(bool lms, bool advertLms) {
    if (!lms)
        return "SMS :";
    return advertLms ? K("LMS(광고) :") : std::string("LMS :");
}

std::string UsageCaption(int32_t payType) {
    return payType == 2 ? K("AS사용 :") : K("콜 사용 :");
}
