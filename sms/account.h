// The store's values and its SMS account at the center: what the SMS dialog's account panel shows
// and what a send is charged against. No widgets here; the dialog shows what these functions give.
#pragma once

#include <cstdint>
#include <string>

class CSQLDirect;
class QWidget;

// Values the dialog reads from the store database and from the center's MARTINFO reply. Texts CP949.
struct SmsAccount {
    // From the store database.
    int32_t storeCode = 0;
    std::string employeeName;
    std::string storeName;
    std::string storePhone; // leading phone number of the stored text
    std::string businessNumber;
    // From the center.
    std::string centerPhone = "1600-0000";
    std::string centerFax;
    int32_t payType = 0; // 1 charged in calls, 2 in prepaid money
    double balance = 0;
    double smsPrice = 0;  // pay type 2
    double lmsPrice = 0;  // pay type 2
    int32_t callsNow = 0; // pay type 1
    double lmsCalls = 0;  // pay type 1: calls per LMS, 1.0 to 10.0, else 0
    int32_t lmsAdLen = 0; // room the center's campaign advert takes in an LMS, 1 to 1000, else 0
    std::string callback; // the center's registered callback number; empty when it has none
    int32_t reserved = 0; // sends waiting for their reserved time
    std::string account1, account2, account3; // the payment account line

    // The number the callback field starts with: the center's registered one wins over the store's.
    std::string CallbackNumber() const { return callback.empty() ? storePhone : callback; }
};

enum class AccountFetch {
    Ok,
    NoAccount, // the store has no SMS account: the dialog closes
    Failed,    // the reason was logged and shown
};

// Reads the store values through db (a failed read keeps the value it had) and asks the center for
// the account. Every failure is told to the user here, parent being the window to centre on.
AccountFetch FetchAccount(CSQLDirect& db, int32_t empCode, SmsAccount& account, QWidget* parent = nullptr);

// The batch size of a send: setting "BindOnce" of section "SEND_SMS"; a value outside 10..1000 is
// replaced by 100, which is also written back so the file shows what is used.
int LoadBindOnce();

// Charge of one message of the chosen kind: calls for a call account, money for a prepaid one.
double UnitCharge(const SmsAccount& account, bool lms);
// What sending smsCount messages costs; a call account is charged whole calls only.
double TotalCharge(int smsCount, double unitCharge, int32_t payType);

// "%.1f" with thousands separators and without a trailing ".0": 12345.0 -> "12,345", -2.5 -> "-2.5".
std::string MoneyText(double value);
// A balance or a charge with its unit: "1,234 콜" (pay type 1) or "1,234.5 AS" (pay type 2).
std::string FigureText(double value, int32_t payType);
// The unit charge's figure, "사용불가" when the kind cannot be sent (no price).
std::string UnitChargeText(double unitCharge, int32_t payType);
// The bracketed charge beside the kind, "(3) "; empty for a call account sending SMS (always one call)
// and when there is no charge.
std::string UnitChargeLabel(double unitCharge, int32_t payType, bool lms);
// Tooltip of that label: "LMS전송 1건당 차감되는 콜".
std::string UnitChargeTip(int32_t payType, bool lms);

// Labels of the account panel.
std::string BalanceCaption(int32_t payType);       // "잔여 콜 :" / "AS잔액 :"
std::string KindCaption(bool lms, bool advertLms); // "SMS :", "LMS :", "LMS(광고) :"
std::string UsageCaption(int32_t payType);         // "콜 사용 :" / "AS사용 :"
