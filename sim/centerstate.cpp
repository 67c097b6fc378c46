#include "sim/centerstate.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "sim/imagebox.h"
#include "sim/json.h"
#include "sim/replytext.h"
#include "sim/smmsstate.h"

namespace zmsg::sim {

namespace {

// Money and calls with at most two decimals, no trailing zeros beyond one: "20.0", "12.5", "99940.0".
std::string Amount(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    std::string s = buf;
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    return s;
}

std::optional<std::chrono::system_clock::time_point> ParseReservation(const std::string& rsv) {
    if (!AllDigits(rsv, 12, 12))
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = std::atoi(rsv.substr(0, 4).c_str()) - 1900;
    tm.tm_mon = std::atoi(rsv.substr(4, 2).c_str()) - 1;
    tm.tm_mday = std::atoi(rsv.substr(6, 2).c_str());
    tm.tm_hour = std::atoi(rsv.substr(8, 2).c_str());
    tm.tm_min = std::atoi(rsv.substr(10, 2).c_str());
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(t);
}

} // namespace

CenterState::CenterState() : m_smms(std::make_unique<SmmsState>(*this)) {
    Reset();
}

CenterState::~CenterState() = default;

SmmsState& CenterState::Smms() {
    return *m_smms;
}

const SmmsState& CenterState::Smms() const {
    return *m_smms;
}

void CenterState::Reset() {
    std::lock_guard lock(m_mutex);
    m_stores.clear();
    Store demo;
    demo.code = 1001;
    demo.name = "행복마트";
    demo.payType = 1;
    demo.balance = 5000;
    demo.lmsCalls = 3.0;
    demo.lmsAdLen = 100;
    demo.callback = "0212345678";
    demo.regularAppMembers = 25;
    demo.coupons = {11, 12, 13};
    m_stores[demo.code] = demo;

    Store prepaid;
    prepaid.code = 1002;
    prepaid.name = "다솜마트";
    prepaid.payType = 2;
    prepaid.balance = 100000;
    prepaid.unitSms = 20;
    prepaid.unitLms = 50;
    prepaid.callback = "0311234567";
    prepaid.regularAppMembers = 10;
    prepaid.coupons = {21};
    m_stores[prepaid.code] = prepaid;

    Store bare;
    bare.code = 1003;
    bare.name = "새싹마트";
    bare.hasSmsAccount = bare.hasAppAccount = bare.hasCouponAccount = false;
    m_stores[bare.code] = bare;
    m_clockOffset = std::chrono::seconds(0);
    for (auto& [code, store] : m_stores)
        if (store.hasSmsAccount)
            Book(store, "기본 충전", store.balance);

    m_sms.clear();
    m_issues.clear();
    m_files.clear();
    m_nextSs = 5001;
    m_smms->ResetLocked();
    m_nextIssue = 301;
    m_resultDelaySeconds = 0;
    m_refuseRepeatedEnd = false;
    m_appFailDigit = '7';
}

std::chrono::system_clock::time_point CenterState::Now() const {
    return std::chrono::system_clock::now() + m_clockOffset;
}

void CenterState::Book(Store& s, std::string what, double amount) {
    s.ledger.push_back({Now(), std::move(what), amount, s.balance});
}

std::string CenterState::JoinResults(std::vector<Recipient>& recipients, bool markHanded) {
    std::string out;
    for (Recipient& r : recipients) {
        if (r.confirmed)
            continue;
        if (!out.empty())
            out += '#';
        out += r.phone + ":" + std::to_string(r.result);
        if (markHanded)
            r.handedOut = true;
    }
    return out;
}

int CenterState::ResultFor(const std::string& phone, char failDigit) {
    return !phone.empty() && phone.back() == failDigit ? 2 : 1;
}

std::string CenterState::Handle(const std::string& path, const FormFields& f) {
    std::lock_guard lock(m_mutex);
    const std::string work = FieldOf(f, "work");
    if (path == "/ZMSG/AppRequest.ashx") {
        if (work == "MARTINFO")
            return MartInfo(f, 0);
        if (work == "SMSBEGIN")
            return SmsBegin(f);
        if (work == "SMSLIST")
            return Batch(m_sms, f, "ss", "list");
        if (work == "SMSEND")
            return SmsEnd(f);
        if (work == "SMSRESULT")
            return SmsResult(f);
        if (work == "SMSRESULTOK")
            return SmsResultOk(f);
    } else if (path == "/SMMS/AppRequest.ashx") {
        if (work == "MARTINFO")
            return MartInfo(f, 1);
        if (std::optional<std::string> reply = m_smms->HandleLocked(work, f))
            return *reply;
    } else if (path == "/CouponIssue/AppRequest.ashx") {
        if (work == "MARTINFO")
            return MartInfo(f, 2);
        if (work == "ISSUEBEGIN")
            return IssueBegin(f);
        if (work == "ISSUEUSER")
            return Batch(m_issues, f, "issue", "tran");
        if (work == "ISSUEEND")
            return IssueEnd(f);
    }
    return Fail("알 수 없는 요청입니다.(work=" + work + ")");
}

std::string CenterState::MartInfo(const FormFields& f, int which) {
    const auto mart = Number(FieldOf(f, "mart"));
    const auto it = mart ? m_stores.find(static_cast<int>(*mart)) : m_stores.end();
    if (it == m_stores.end())
        return Fail("등록되지 않은 점포입니다.(점포코드=" + FieldOf(f, "mart") + ")");
    const Store& s = it->second;
    const bool has = which == 0 ? s.hasSmsAccount : which == 1 ? s.hasAppAccount : s.hasCouponAccount;
    if (!has)
        return "2:계정이 없습니다.";
    if (which == 2)
        return "1:" + Tag("MART", s.code) + Tag("NAME", s.name);

    int reserved = 0;
    for (const auto& [code, t] : m_sms)
        if (t.mart == s.code && !t.cancelled && t.reservation && *t.reservation > Now())
            ++reserved;
    const long long callNow =
        s.payType == 1 ? static_cast<long long>(std::floor(s.balance))
                       : (s.unitSms > 0 ? static_cast<long long>(std::floor(s.balance / s.unitSms)) : 0);
    std::string r = "1:";
    r += Tag("PAY_TYPE", s.payType == 1 ? "CALL" : "AS");
    r += Tag("CALL_NOW", callNow);
    if (s.payType == 1)
        r += Tag("LMS_CALL", Amount(s.lmsCalls));
    else
        r += Tag("AS_BALANCE", Amount(s.balance)) + Tag("UNITS", Amount(s.unitSms)) +
             Tag("UNITL", Amount(s.unitLms));
    r += Tag("LMS_AD_LEN", s.lmsAdLen);
    r += Tag("CALLBACK", s.callback);
    r += Tag("RESERVE", reserved);
    r += Tag("ACC1", "문자은행") + Tag("ACC2", "123-456-789012") + Tag("ACC3", "(주)문자센터");
    r += Tag("CEN_TEL", "1600-0000") + Tag("CEN_FAX", "02-000-0000");
    return r;
}

std::string CenterState::SmsBegin(const FormFields& f) {
    const auto mart = Number(FieldOf(f, "mart"));
    const auto it = mart ? m_stores.find(static_cast<int>(*mart)) : m_stores.end();
    if (it == m_stores.end() || !it->second.hasSmsAccount)
        return Fail("SMS 전송용 계정이 없습니다.");
    const Store& s = it->second;
    const std::string tp = FieldOf(f, "tp");
    if (tp != "S" && tp != "L")
        return Fail("메시지 종류가 올바르지 않습니다.(tp=" + tp + ")");
    if (FieldOf(f, "msg").empty())
        return Fail("메시지 내용이 없습니다.");
    if (!AllDigits(FieldOf(f, "cb"), 8, 11))
        return Fail("발신번호 형식이 올바르지 않습니다.");
    const auto call = Number(FieldOf(f, "call"));
    if (!call || *call < 1)
        return Fail("전송대상 건수가 없습니다.");
    const std::string rsv = FieldOf(f, "rsv");
    std::optional<std::chrono::system_clock::time_point> reservation;
    if (!rsv.empty()) {
        reservation = ParseReservation(rsv);
        if (!reservation)
            return Fail("예약일시 형식이 올바르지 않습니다.");
    }
    const double unit = s.payType == 1 ? (tp == "L" ? s.lmsCalls : 1.0) : (tp == "L" ? s.unitLms : s.unitSms);
    if (unit <= 0)
        return Fail("단가정보가 없습니다.");
    if (s.balance < unit * static_cast<double>(*call))
        return Fail(s.payType == 1 ? "잔여콜이 부족합니다." : "AS잔액이 부족합니다.");
    Transfer t;
    t.code = m_nextSs++;
    t.mart = s.code;
    t.kind = tp;
    t.begin = f;
    t.announced = static_cast<int>(*call);
    t.reservation = reservation;
    t.begunAt = Now();
    m_sms[t.code] = t;
    return "1:" + Tag("SS", t.code);
}

std::string CenterState::Batch(std::map<long long, Transfer>& table, const FormFields& f,
                               const char* codeField, const char* listField) {
    const auto code = Number(FieldOf(f, codeField));
    const auto it = code ? table.find(*code) : table.end();
    if (it == table.end() || std::to_string(it->second.mart) != FieldOf(f, "mart"))
        return Fail(std::string("전송정보가 없습니다.(") + codeField + "=" + FieldOf(f, codeField) + ")");
    return AddBatch(it->second, f, listField);
}

std::string CenterState::AddBatch(Transfer& t, const FormFields& f, const char* listField) {
    if (t.ended)
        return Fail("이미 완료된 전송입니다.");
    if (t.kind == "COUPON" && t.issueType != 2)
        return Fail("전체회원 발행에는 발행대상을 보낼 수 없습니다.");
    const auto seq = Number(FieldOf(f, "seq"));
    if (!seq || *seq < 1)
        return Fail("바인딩 순번이 올바르지 않습니다.");
    const auto elements = SplitElements(FieldOf(f, listField));
    if (!elements)
        return Fail("전송대상 형식이 올바르지 않습니다.");
    size_t others = 0;
    for (const auto& [s, batch] : t.batches)
        if (s != *seq)
            others += batch.size();
    // The announced count bounds the send; coupon issues announce none.
    if (t.kind != "COUPON" && others + elements->size() > static_cast<size_t>(t.announced))
        return Fail("전송대상이 시작요청의 건수보다 많습니다.");
    t.batches[static_cast<int>(*seq)] = *elements;
    return "1:" + Tag("OK", static_cast<long long>(elements->size()));
}

std::vector<Recipient> CenterState::Deliver(const Transfer& t, int& sent) const {
    std::vector<Recipient> out;
    for (const auto& [seq, batch] : t.batches)
        for (const std::string& element : batch) {
            const std::string phone = PhoneOf(element);
            if (!AllDigits(phone, 9, 14))
                continue;
            out.push_back({phone, ResultFor(phone, t.kind == "APP" ? m_appFailDigit : '7'), false, false});
        }
    sent = static_cast<int>(out.size());
    return out;
}

std::string CenterState::SmsEnd(const FormFields& f) {
    const auto ss = Number(FieldOf(f, "ss"));
    const auto it = ss ? m_sms.find(*ss) : m_sms.end();
    if (it == m_sms.end() || std::to_string(it->second.mart) != FieldOf(f, "mart"))
        return Fail("전송정보가 없습니다.(ss=" + FieldOf(f, "ss") + ")");
    Transfer& t = it->second;
    if (t.ended)
        return m_refuseRepeatedEnd ? Fail("이미 완료된 전송입니다.(ss=" + FieldOf(f, "ss") + ")")
                                   : t.endReply;
    if (t.cancelled)
        return Fail("취소된 전송입니다.");
    Store& s = m_stores[t.mart];
    int sent = 0;
    std::vector<Recipient> recipients = Deliver(t, sent);
    const double unit =
        s.payType == 1 ? (t.kind == "L" ? s.lmsCalls : 1.0) : (t.kind == "L" ? s.unitLms : s.unitSms);
    const double charge = unit * sent;
    if (s.balance < charge)
        return Fail(s.payType == 1 ? "잔여콜이 부족합니다." : "AS잔액이 부족합니다.");
    s.balance -= charge;
    t.charged = charge;
    t.sent = sent;
    t.recipients = std::move(recipients);
    t.ended = true;
    t.endedAt = Now();
    Book(s,
         (t.kind == "L" ? "LMS 전송 " : "SMS 전송 ") + std::to_string(sent) +
             "건 (SS=" + std::to_string(t.code) + ")",
         -charge);
    const auto from = t.reservation && *t.reservation > Now() ? *t.reservation : Now();
    t.resultsFrom = from + std::chrono::seconds(m_resultDelaySeconds);
    const long long callNow = s.payType == 1 ? static_cast<long long>(std::floor(s.balance))
                                             : static_cast<long long>(std::floor(s.balance / s.unitSms));
    t.endReply =
        "1:" + Tag("CALL_SENT", sent) + Tag("CALL_NOW", callNow) + Tag("AS_BALANCE", Amount(s.balance));
    return t.endReply;
}

std::string CenterState::SmsResult(const FormFields& f) {
    const auto ss = Number(FieldOf(f, "ss"));
    const auto it = ss ? m_sms.find(*ss) : m_sms.end();
    if (it == m_sms.end() || std::to_string(it->second.mart) != FieldOf(f, "mart"))
        return Fail("전송정보가 없습니다.(ss=" + FieldOf(f, "ss") + ")");
    Transfer& t = it->second;
    if (t.cancelled)
        return "9:취소된 전송입니다.";
    if (!t.ended)
        return Fail("완료되지 않은 전송입니다.");
    for (Recipient& r : t.recipients)
        r.handedOut = false;
    if (Now() < t.resultsFrom)
        return "1:";
    return "1:" + JoinResults(t.recipients, true);
}

std::string CenterState::SmsResultOk(const FormFields& f) {
    const auto ss = Number(FieldOf(f, "ss"));
    const auto it = ss ? m_sms.find(*ss) : m_sms.end();
    if (it == m_sms.end())
        return Fail("전송정보가 없습니다.(ss=" + FieldOf(f, "ss") + ")");
    for (Recipient& r : it->second.recipients)
        if (r.handedOut) {
            r.confirmed = true;
            r.handedOut = false;
        }
    return "1:";
}

std::string CenterState::IssueBegin(const FormFields& f) {
    const auto mart = Number(FieldOf(f, "mart"));
    const auto it = mart ? m_stores.find(static_cast<int>(*mart)) : m_stores.end();
    if (it == m_stores.end() || !it->second.hasCouponAccount)
        return Fail("쿠폰발행용 점포정보가 없습니다.");
    const auto cp = Number(FieldOf(f, "cp"));
    const auto& coupons = it->second.coupons;
    if (!cp || std::find(coupons.begin(), coupons.end(), *cp) == coupons.end())
        return Fail("발행할 수 없는 쿠폰입니다.(cp=" + FieldOf(f, "cp") + ")");
    const std::string istp = FieldOf(f, "istp");
    if (istp != "1" && istp != "2")
        return Fail("발행유형이 올바르지 않습니다.");
    Transfer t;
    t.code = m_nextIssue++;
    t.mart = it->second.code;
    t.kind = "COUPON";
    t.begin = f;
    t.issueType = istp == "1" ? 1 : 2;
    t.coupon = static_cast<int>(*cp);
    m_issues[t.code] = t;
    return "1:" + Tag("ISSUE", t.code);
}

std::string CenterState::IssueEnd(const FormFields& f) {
    const auto issue = Number(FieldOf(f, "issue"));
    const auto it = issue ? m_issues.find(*issue) : m_issues.end();
    if (it == m_issues.end() || std::to_string(it->second.mart) != FieldOf(f, "mart"))
        return Fail("발행정보가 없습니다.(issue=" + FieldOf(f, "issue") + ")");
    Transfer& t = it->second;
    if (t.ended)
        return t.endReply;
    if (t.issueType == 2 && t.batches.empty())
        return Fail("발행대상이 없습니다.");
    int sent = 0;
    t.recipients = Deliver(t, sent);
    t.sent = t.issueType == 1 ? m_stores[t.mart].regularAppMembers : sent;
    t.ended = true;
    t.endReply = "1:" + Tag("ISSUED", t.sent);
    return t.endReply;
}

std::string CenterState::HandleUpload(const UploadParts& parts) {
    std::lock_guard lock(m_mutex);
    return m_smms->UploadLocked(parts);
}

std::optional<std::string> CenterState::Download(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    const auto f = m_files.find(path);
    if (f != m_files.end())
        return f->second;
    const std::optional<ImageBoxAddress> box = ParseImageBoxPath(path);
    if (!box || !m_stores.count(box->mart))
        return std::nullopt;
    return ImageBoxJpeg(box->box, box->image);
}

void CenterState::PutFile(const std::string& path, std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_files[path] = std::move(bytes);
}

void CenterState::SetResultDelaySeconds(int seconds) {
    std::lock_guard lock(m_mutex);
    m_resultDelaySeconds = seconds;
}

void CenterState::SetAppFailDigit(char digit) {
    std::lock_guard lock(m_mutex);
    m_appFailDigit = digit;
}

void CenterState::SetRefuseRepeatedEnd(bool refuse) {
    std::lock_guard lock(m_mutex);
    m_refuseRepeatedEnd = refuse;
}

bool CenterState::SetBalance(int store, double balance) {
    std::lock_guard lock(m_mutex);
    const auto it = m_stores.find(store);
    if (it == m_stores.end())
        return false;
    Book(it->second, "충전", balance - it->second.balance);
    it->second.balance = balance;
    it->second.ledger.back().balance = balance;
    return true;
}

void CenterState::AdvanceClock(int seconds) {
    std::lock_guard lock(m_mutex);
    m_clockOffset += std::chrono::seconds(seconds);
}

void CenterState::SetNextMessageListCode(long long code) {
    std::lock_guard lock(m_mutex);
    m_smms->SetNextMessageListCodeLocked(code);
}

bool CenterState::CancelSend(int ss) {
    std::lock_guard lock(m_mutex);
    const auto it = m_sms.find(ss);
    if (it == m_sms.end())
        return false;
    Transfer& t = it->second;
    // A cancelled reservation gives its charge back, as a provider's cancel page does.
    if (t.ended && !t.cancelled) {
        Store& s = m_stores[t.mart];
        s.balance += t.charged;
        Book(s, "예약 취소 환불 (SS=" + std::to_string(t.code) + ")", t.charged);
    }
    t.cancelled = true;
    return true;
}

std::optional<Store> CenterState::StoreOf(int code) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_stores.find(code);
    return it == m_stores.end() ? std::nullopt : std::optional<Store>(it->second);
}

std::optional<Transfer> CenterState::SmsSend(int ss) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_sms.find(ss);
    return it == m_sms.end() ? std::nullopt : std::optional<Transfer>(it->second);
}

std::chrono::system_clock::time_point CenterState::CurrentTime() const {
    std::lock_guard lock(m_mutex);
    return Now();
}

std::vector<Transfer> CenterState::SmsSendsOf(int mart) const {
    std::lock_guard lock(m_mutex);
    std::vector<Transfer> out;
    for (const auto& [code, t] : m_sms)
        if (t.mart == mart)
            out.push_back(t);
    return out;
}

std::vector<Transfer> CenterState::CouponIssuesOf(int mart) const {
    std::lock_guard lock(m_mutex);
    std::vector<Transfer> out;
    for (const auto& [code, t] : m_issues)
        if (t.mart == mart)
            out.push_back(t);
    return out;
}

std::optional<Transfer> CenterState::CouponIssue(int issue) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_issues.find(issue);
    return it == m_issues.end() ? std::nullopt : std::optional<Transfer>(it->second);
}

namespace {

// A coupon issue's coupon and type, and which phones it gave the coupon to and how many times each
// (listed in its batches; only an ended issue gives anything).
std::string CouponJson(const Transfer& t) {
    std::map<std::string, int> given;
    if (t.ended)
        for (const Recipient& r : t.recipients)
            ++given[r.phone];
    std::string out = ",\"coupon\":" + std::to_string(t.coupon) + ",\"istp\":" + std::to_string(t.issueType) +
                      ",\"given\":{";
    bool first = true;
    for (const auto& [phone, times] : given) {
        out += (first ? "" : ",") + JsonString(phone) + ":" + std::to_string(times);
        first = false;
    }
    return out + "}";
}

} // namespace

std::string CenterState::ToJson() const {
    std::lock_guard lock(m_mutex);
    std::string out = "{\"stores\":[";
    bool first = true;
    for (const auto& [code, s] : m_stores) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"code\":" + std::to_string(code) + ",\"name\":" + JsonString(s.name) +
               ",\"payType\":" + std::to_string(s.payType) + ",\"balance\":" + Amount(s.balance) + "}";
    }
    auto transfers = [&](const char* name, const std::map<long long, Transfer>& table) {
        out += std::string("],\n\"") + name + "\":[";
        bool firstT = true;
        for (const auto& [code, t] : table) {
            out += firstT ? "\n" : ",\n";
            firstT = false;
            size_t listed = 0;
            for (const auto& [seq, b] : t.batches)
                listed += b.size();
            out += "{\"code\":" + std::to_string(code) + ",\"mart\":" + std::to_string(t.mart) +
                   ",\"kind\":" + JsonString(t.kind) + ",\"batches\":" + std::to_string(t.batches.size()) +
                   ",\"listed\":" + std::to_string(listed) + ",\"ended\":" + (t.ended ? "true" : "false") +
                   ",\"cancelled\":" + (t.cancelled ? "true" : "false") +
                   ",\"sent\":" + std::to_string(t.sent) + ",\"charged\":" + Amount(t.charged);
            if (t.kind == "COUPON")
                out += CouponJson(t);
            out += "}";
        }
    };
    transfers("sms", m_sms);
    out += "],\n\"apps\":[";
    m_smms->MessagesJsonLocked(out);
    transfers("issues", m_issues);
    out += "],\n\"uploads\":[";
    m_smms->UploadsJsonLocked(out);
    out += "]}\n";
    return out;
}

} // namespace zmsg::sim
