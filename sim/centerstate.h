// The simulated service center: accounts, sends, app messages and coupon issues, kept in memory
// behind one mutex, answering the form requests the module posts.
//
// Protocol as implemented (every reply is UTF-8 text "<code>:<rest>"; "1" is success and the rest
// holds elements "<NAME>value</NAME>"; any other code carries a plain reason after the colon):
//
// /ZMSG/AppRequest.ashx
//   MARTINFO    mart, ver            1: PAY_TYPE (CALL|AS), CALL_NOW, LMS_CALL, AS_BALANCE, UNITS, UNITL,
//                                       LMS_AD_LEN, CALLBACK, RESERVE, ACC1..ACC3, CEN_TEL, CEN_FAX
//                                    2: the store has no SMS account; 0: unknown store
//   SMSBEGIN    mart emp tg mg rsv tp sub msg cb call
//                                    1:<SS>  (balance must cover call x unit price)
//   SMSLIST     mart ss seq list     1:<OK> = elements recorded; list is "}{phone|f1|f3|f4}{...";
//                                    a seq sent again replaces the earlier batch of that seq
//   SMSEND      mart ss              1:<CALL_SENT><CALL_NOW><AS_BALANCE>; charges what is sent (phones
//                                    of 9 to 14 digits), once: ending an ended send repeats its reply,
//                                    or, with SetRefuseRepeatedEnd, is refused "0:이미 완료된 전송입니다."
//   SMSRESULT   mart ss              1:phone:result#phone:result... (1 delivered, 2 failed: a phone
//                                    whose last digit is 7 fails); only results not yet confirmed and
//                                    only once the result delay after the end (or the reservation) has
//                                    passed; 9: the send was cancelled
//   SMSRESULTOK ss                   1: results handed out by the last SMSRESULT are confirmed and
//                                    never handed out again
// /SMMS/AppRequest.ashx
//   MARTINFO    mart, ver            as above; 2: the store has no app account
//   SMMSBEGIN .. SMMSRESULT, and /SMMS/UploadImage.ashx: sim/smmsstate.h
// /SMMS/ImageBox/<mart>/<box>_<img>.jpg  GET: the image box's pictures (box 1, images 1 to 3)
// /CouponIssue/AppRequest.ashx
//   MARTINFO    mart, ver            1:<MART><NAME>; 2: no coupon account
//   ISSUEBEGIN  mart emp cp istp     1:<ISSUE>; coupon must be one of the store's, istp 1 or 2
//   ISSUEUSER   mart issue seq tran  1:<OK>; istp 2 only
//   ISSUEEND    mart issue           1:<ISSUED>; idempotent
//
// Faults and the control surface under /_sim/: simserver.cpp. The upload's layout: uploadlayout.h.
// The opt-out server: optoutstate.h.
//
// Stores: 1001 demo store, pay type 1 (calls); 1002 pay type 2 (prepaid money); 1003 known but
// without any account ("2:"); any other code is unknown ("0:").
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/formdata.h"
#include "sim/uploadlayout.h"

namespace zmsg::sim {

// A line of a store's charge history: what changed the balance, by how much, and what remained.
struct LedgerEntry {
    std::chrono::system_clock::time_point at;
    std::string what;
    double amount = 0; // positive for a charge, negative for a send
    double balance = 0;
};

struct Store {
    int code = 0;
    std::string name;
    bool hasSmsAccount = true;
    bool hasAppAccount = true;
    bool hasCouponAccount = true;
    int payType = 1;     // 1 calls, 2 prepaid money
    double balance = 0;  // calls or money
    double unitSms = 0;  // money per SMS (pay type 2)
    double unitLms = 0;  // money per LMS (pay type 2)
    double lmsCalls = 0; // calls per LMS (pay type 1)
    int lmsAdLen = 0;
    std::string callback;
    int regularAppMembers = 0; // reached by the all-members option only
    std::vector<int> coupons;
    std::vector<LedgerEntry> ledger;
};

struct Recipient {
    std::string phone;
    int result = 0;         // 1 delivered, 2 failed
    bool handedOut = false; // in the last result reply, awaiting confirmation
    bool confirmed = false;
};

// One SMS send (SMSBEGIN .. SMSEND), one app message (SMMSBEGIN .. SMMSEND) or one coupon issue.
struct Transfer {
    long long code = 0; // SS, ML or issue code
    int mart = 0;
    std::string kind;                                // "S", "L", "APP", "COUPON"
    FormFields begin;                                // the begin request's fields
    int announced = 0;                               // recipients announced at the begin
    std::map<int, std::vector<std::string>> batches; // seq -> elements "phone|..."
    bool ended = false;
    bool cancelled = false;
    std::string endReply;
    int sent = 0;
    int allUser = 0;
    double charged = 0;
    std::chrono::system_clock::time_point resultsFrom{};
    std::optional<std::chrono::system_clock::time_point> reservation;
    std::chrono::system_clock::time_point begunAt{};
    std::chrono::system_clock::time_point endedAt{};
    std::vector<Recipient> recipients;
    int issueType = 0; // coupons: istp
    int coupon = 0;
};

class SmmsState;

class CenterState {
public:
    CenterState();
    ~CenterState();
    CenterState(const CenterState&) = delete;
    CenterState& operator=(const CenterState&) = delete;
    void Reset();

    // A form request to one of the three request addresses; returns the reply text (UTF-8).
    std::string Handle(const std::string& path, const FormFields& fields);
    std::string HandleUpload(const UploadParts& parts);
    // Bytes served for a GET of that path, nullopt when there is no such file.
    std::optional<std::string> Download(const std::string& path) const;

    void PutFile(const std::string& path, std::string bytes);
    void SetResultDelaySeconds(int seconds);
    // A real center may refuse to end again what it already ended, rather than repeat its reply.
    void SetRefuseRepeatedEnd(bool refuse);
    // The last digit of the numbers whose app messages fail ('7' as for text messages, the default), so
    // one number can be delivered by one part of a combined send and fail by the other.
    void SetAppFailDigit(char digit);
    // A store's balance (calls or money); false for an unknown store. Large sends need more than
    // the initial stores hold.
    bool SetBalance(int store, double balance);
    // Moves the simulator's clock forward (results and reservations fall due).
    void AdvanceClock(int seconds);
    // The next SMMSBEGIN's ML.
    void SetNextMessageListCode(long long code);
    bool CancelSend(int ss);

    std::optional<Store> StoreOf(int code) const;
    std::optional<Transfer> SmsSend(int ss) const;
    // The simulator's time (the real time moved by AdvanceClock).
    std::chrono::system_clock::time_point CurrentTime() const;
    // The store's SMS/LMS sends, oldest first.
    std::vector<Transfer> SmsSendsOf(int mart) const;
    // The app messages and the image uploads (sim/smmsstate.h).
    SmmsState& Smms();
    const SmmsState& Smms() const;
    std::optional<Transfer> CouponIssue(int issue) const;
    // The store's coupon issues, oldest first.
    std::vector<Transfer> CouponIssuesOf(int mart) const;
    std::string ToJson() const;

    // The delivery result the simulated carriers give a phone.
    static int ResultFor(const std::string& phone, char failDigit = '7');

private:
    // App messages share the stores, the clock, the lock, the batch rules and the ledger.
    friend class SmmsState;

    std::chrono::system_clock::time_point Now() const;
    void Book(Store& s, std::string what, double amount);
    std::string MartInfo(const FormFields& f, int which);
    std::string SmsBegin(const FormFields& f);
    std::string Batch(std::map<long long, Transfer>& table, const FormFields& f, const char* codeField,
                      const char* listField);
    // One recipient batch into a transfer that accepts it; a seq sent again replaces its batch.
    static std::string AddBatch(Transfer& t, const FormFields& f, const char* listField);
    static std::string JoinResults(std::vector<Recipient>& recipients, bool markHanded);
    std::string SmsEnd(const FormFields& f);
    std::string SmsResult(const FormFields& f);
    std::string SmsResultOk(const FormFields& f);
    std::string IssueBegin(const FormFields& f);
    std::string IssueEnd(const FormFields& f);
    std::vector<Recipient> Deliver(const Transfer& t, int& sent) const;

    mutable std::mutex m_mutex;
    std::map<int, Store> m_stores;
    std::map<long long, Transfer> m_sms;
    std::map<long long, Transfer> m_issues;
    std::map<std::string, std::string> m_files;
    int m_nextSs = 5001;
    int m_nextIssue = 301;
    int m_resultDelaySeconds = 0;
    bool m_refuseRepeatedEnd = false;
    char m_appFailDigit = '7';
    std::chrono::seconds m_clockOffset{0};
    std::unique_ptr<SmmsState> m_smms;
};

} // namespace zmsg::sim
