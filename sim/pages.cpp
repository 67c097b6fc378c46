#include "sim/pages.h"

#include "sim/imagebox.h"
#include "sim/couponpages.h"
#include "sim/json.h"
#include "sim/smmsstate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <vector>

namespace zmsg::sim {

namespace {

struct Sample {
    const char* title;
    const char* text;
};

enum class TabKind { Samples, History, Charges, Prices };

struct PageTab {
    const char* caption;
    TabKind kind;
    std::vector<Sample> samples;
};

// Page tabs 1 to 5 of the SMS dialog's panel, captioned as the dialog's buttons are.
const std::vector<PageTab>& Tabs() {
    static const std::vector<PageTab> tabs = {
        {"메시지서식",
         TabKind::Samples,
         {{"주말 특가", "[행복마트] 주말 특가! 삼겹살 100g 1,290원, 딸기 1팩 5,900원. 토·일 이틀만!"},
          {"신선식품 할인", "[행복마트] 오늘 저녁 7시부터 신선식품 30% 할인합니다. 많이 오세요."},
          {"", "[행복마트] 적립 포인트가 5,000점을 넘었습니다. 계산대에서 바로 쓰세요."},
          {"새해 인사", "새해 복 많이 받으세요!\n올해도 행복마트를 아껴 주셔서 고맙습니다."},
          {"추석 인사", "즐거운 한가위 보내세요 ♡ 넉넉하고 풍성한 추석 되세요."},
          {"이달의 행사 안내 (장문)", "[행복마트 이달의 행사]\n1. 매주 수요일 채소 반값\n"
                                      "2. 3만원 이상 사시면 주차 2시간 무료\n3. 10일~20일 포인트 2배 적립\n\n"
                                      "자세한 내용은 매장 게시판을 보세요."}}},
        {"타점포참조",
         TabKind::Samples,
         {{"선물세트 예약", "[우리마트] 추석 선물세트 예약 판매! 한우·과일 세트 최대 20% 할인."},
          {"", "[동네마트] 배달 시작! 3만원 이상 사시면 무료로 배달해 드립니다 ☎"}}},
        {"전송내역", TabKind::History, {}},
        {"충전내역", TabKind::Charges, {}},
        {"충전안내", TabKind::Prices, {}},
    };
    return tabs;
}

struct Registered {
    std::string number;
    const char* label;
};

// Numbers a store registered besides its main one.
const std::map<int, std::vector<Registered>>& ExtraNumbers() {
    static const std::map<int, std::vector<Registered>> extra = {
        {1001, {{"01055556666", "점장 휴대폰"}, {"0312345670", "배송센터"}}},
    };
    return extra;
}

} // namespace

std::string Html(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            out += "<br>";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A JavaScript string literal (a JSON string is one); "</" is split so a text cannot end the script
// element.
std::string Js(std::string_view text) {
    std::string out = JsonString(text);
    for (size_t at = out.find("</"); at != std::string::npos; at = out.find("</", at + 3))
        out.insert(at + 1, 1, '\\');
    return out;
}

std::string Head(const char* title, const std::string& script) {
    return "<!DOCTYPE html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\"><title>" + Html(title) +
           "</title>\n<style>"
           "body{font-family:sans-serif;font-size:13px;margin:8px;background:#fff}"
           ".tabs a{display:inline-block;padding:3px 8px;margin-right:2px;border:1px solid #9bb;"
           "border-bottom:none;background:#e8f0f4;color:#135;text-decoration:none}"
           ".tabs a.on{background:#fff;font-weight:bold}"
           ".list{border-top:1px solid #9bb;padding-top:6px}"
           "a.sample{display:block;margin:0 0 6px;padding:6px;border:1px solid #cde;background:#fbfdff;"
           "color:#222;text-decoration:none}a.sample b{color:#135}"
           "label{display:block;padding:5px;border-bottom:1px solid #dde}"
           ".note{color:#666}h1{font-size:15px}"
           "table{border-collapse:collapse}td,th{border:1px solid #cde;padding:3px 6px}"
           "th{background:#e8f0f4;font-weight:normal}td{text-align:right}td:nth-child(2),#prices "
           "td:first-child{text-align:left}"
           "</style>\n<script>\n" +
           script + "</script></head>\n<body>\n";
}

PageReply Refusal(const char* reason) {
    PageReply page;
    page.html = Head("잘못된 접근", "") + "<h1>잘못된 접근입니다.</h1>\n<p>" + Html(reason) +
                "</p>\n<p class=\"note\">프로그램에서 화면을 다시 열어 주세요.</p>\n</body></html>\n";
    return page;
}

namespace {

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (const char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

long long Number(std::string_view digits) {
    return std::atoll(std::string(digits).c_str());
}

// A field that is value * k with value in [low, high].
bool Field(std::string_view digits, long long k, long long low, long long high) {
    const long long v = Number(digits);
    return v % k == 0 && v / k >= low && v / k <= high;
}

std::string Dashed(const std::string& n) {
    const size_t head = n.rfind("02", 0) == 0 ? 2 : 3;
    if (n.size() < head + 5)
        return n;
    const size_t tail = 4;
    return n.substr(0, head) + "-" + n.substr(head, n.size() - head - tail) + "-" + n.substr(n.size() - tail);
}

} // namespace

std::optional<int> MartOfToken(std::string_view pm) {
    const long long k = Number(pm.substr(0, 2)) + 13;
    const long long field = Number(pm.substr(2, 8));
    if (field % k != 0)
        return std::nullopt;
    return static_cast<int>(field / k);
}

namespace {

std::string When(std::chrono::system_clock::time_point at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local);
    return buf;
}

// Calls or money as a person reads them: "1,234", "1,234.5", "-12".
std::string Amount(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", value < 0 ? -value : value);
    std::string text = buf;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0)
        text.resize(text.size() - 2);
    const size_t point = std::min(text.find('.'), text.size());
    for (size_t at = point; at > 3; at -= 3)
        text.insert(at - 3, 1, ',');
    return (value < 0 ? "-" : "") + text;
}

std::string Unit(const Store& s) {
    return s.payType == 1 ? "콜" : "원";
}

std::string Row(std::initializer_list<std::string> cells) {
    std::string row = "<tr>";
    for (const std::string& c : cells)
        row += "<td>" + Html(c) + "</td>";
    return row + "</tr>\n";
}

std::string HistoryList(const Store& store, const CenterState& center) {
    const auto now = center.CurrentTime();
    const std::vector<Transfer> sends = center.SmsSendsOf(store.code);
    if (sends.empty())
        return "<p>전송한 문자가 없습니다.</p>\n";
    std::string out = "<table id=\"sends\"><tr><th>전송일시</th><th>구분</th><th>예약일시</th><th>요청</th>"
                      "<th>전송</th><th>차감</th><th>성공</th><th>실패</th><th>대기</th><th>상태</th></tr>\n";
    // Newest first, as the provider's own list.
    for (auto it = sends.rbegin(); it != sends.rend(); ++it) {
        const Transfer& t = *it;
        int delivered = 0, failed = 0;
        const bool due = t.ended && now >= t.resultsFrom;
        for (const Recipient& r : t.recipients) {
            delivered += due && r.result == 1 ? 1 : 0;
            failed += due && r.result == 2 ? 1 : 0;
        }
        const int waiting = t.ended && !t.cancelled ? t.sent - delivered - failed : 0;
        const char* status = t.cancelled                             ? "취소"
                             : !t.ended                              ? "미완료"
                             : t.reservation && *t.reservation > now ? "예약"
                                                                     : "완료";
        out += Row({When(t.ended ? t.endedAt : t.begunAt), t.kind == "L" ? "LMS" : "SMS",
                    t.reservation ? When(*t.reservation) : "-", std::to_string(t.announced),
                    std::to_string(t.sent), Amount(t.charged) + Unit(store), std::to_string(delivered),
                    std::to_string(failed), std::to_string(waiting), status});
    }
    return out + "</table>\n";
}

std::string ChargeList(const Store& store) {
    std::string out = "<p>현재 잔액: <b id=\"balance\">" + Amount(store.balance) + Unit(store) +
                      "</b></p>\n<table id=\"ledger\"><tr><th>일시</th><th>내용</th><th>금액</th>"
                      "<th>잔액</th></tr>\n";
    for (auto it = store.ledger.rbegin(); it != store.ledger.rend(); ++it)
        out += Row(
            {When(it->at), it->what, Amount(it->amount) + Unit(store), Amount(it->balance) + Unit(store)});
    return out + "</table>\n";
}

std::string PriceList(const Store& store, const std::string& reloadLink) {
    std::string out = "<h1>" + Html(store.name) +
                      " 요금 안내</h1>\n<table id=\"prices\"><tr><th>구분</th>"
                      "<th>1건 요금</th></tr>\n";
    if (store.payType == 1) {
        out += Row({"SMS (단문, 90바이트)", "1콜"}) +
               Row({"LMS (장문, 2,000바이트)", Amount(store.lmsCalls) + "콜"});
    } else {
        out += Row({"SMS (단문, 90바이트)", Amount(store.unitSms) + "원"}) +
               Row({"LMS (장문, 2,000바이트)", Amount(store.unitLms) + "원"});
    }
    out += "</table>\n<p>충전은 아래 계좌로 입금하신 뒤 콜센터(☎ 1600-0000)로 알려 주세요.<br>"
           "문자은행 123-456-789012 (주)문자센터</p>\n"
           "<p>충전한 뒤에는 <a id=\"reload\" href=\"" +
           reloadLink + "\">잔액 새로고침</a>을 눌러 주세요.</p>\n";
    return out;
}

PageReply SmsPage(const FormFields& query, const CenterState& center) {
    const std::string pm = FieldOf(query, "pm");
    if (!IsWellFormedPageToken(pm))
        return Refusal("페이지 인증 정보가 올바르지 않습니다.");
    const int tab = std::atoi(FieldOf(query, "tab").c_str());
    const auto& tabs = Tabs();
    if (tab < 1 || tab > static_cast<int>(tabs.size()))
        return Refusal("없는 페이지입니다.");
    const std::string self = "appSMS.aspx?tab=" + std::to_string(tab);
    const PageTab& current = tabs[static_cast<size_t>(tab - 1)];
    std::optional<Store> store;
    if (current.kind != TabKind::Samples) {
        const std::optional<int> mart = MartOfToken(pm);
        store = mart ? center.StoreOf(*mart) : std::nullopt;
        if (!store || !store->hasSmsAccount)
            return Refusal("등록되지 않은 매장입니다.");
    }

    // Every page answers the copy functions; only a sample page ever has something to copy.
    std::string data = "var samples = [\n";
    for (const auto& s : current.samples)
        data += "  {title: " + Js(s.title) + ", text: " + Js(s.text) + "},\n";
    data += "];\nvar chosen = -1;\n"
            "function pick(i) { chosen = i; }\n"
            "function jsGetCopyMsg() { return chosen < 0 ? \"\" : samples[chosen].text; }\n"
            "function jsGetCopyTitle() { return chosen < 0 ? \"\" : samples[chosen].title; }\n";

    std::string body = Head(current.caption, data) + "<div class=\"tabs\">";
    for (size_t i = 0; i < tabs.size(); ++i)
        body += "<a href=\"appSMS.aspx?tab=" + std::to_string(i + 1) + "&amp;pm=" + pm + "\"" +
                (static_cast<int>(i + 1) == tab ? " class=\"on\"" : "") + ">" + Html(tabs[i].caption) +
                "</a>";
    body += "</div>\n<div class=\"list\">\n";
    switch (current.kind) {
    case TabKind::History:
        body += HistoryList(*store, center);
        break;
    case TabKind::Charges:
        body += ChargeList(*store);
        break;
    case TabKind::Prices:
        body += PriceList(*store, self + "&amp;cmd=DoReloadCall&amp;pm=" + pm);
        break;
    case TabKind::Samples:
        body += "<p class=\"note\">문구를 누르면 메시지 입력란으로 복사됩니다.</p>\n";
        for (size_t i = 0; i < current.samples.size(); ++i) {
            const Sample& s = current.samples[i];
            body += "<a class=\"sample\" id=\"sample" + std::to_string(i + 1) + "\" href=\"" + self +
                    "&amp;cmd=DoCopyMsgToApp&amp;pm=" + pm + "\" onclick=\"pick(" + std::to_string(i) +
                    ")\">";
            if (*s.title)
                body += "<b>" + Html(s.title) + "</b><br>";
            body += Html(s.text) + "</a>\n";
        }
        break;
    }
    return {200, body + "</div>\n</body></html>\n"};
}

PageReply CallbackPage(const FormFields& query, const CenterState& center) {
    const std::string ts = FieldOf(query, "ts");
    const std::string martText = FieldOf(query, "mart");
    if (!IsWellFormedCallbackStamp(ts) || !AllDigits(martText))
        return Refusal("페이지 인증 정보가 올바르지 않습니다.");
    const int mart = std::atoi(martText.c_str());
    const std::optional<Store> store = center.StoreOf(mart);
    if (!store)
        return Refusal("등록되지 않은 매장입니다.");

    std::vector<Registered> numbers;
    if (!store->callback.empty())
        numbers.push_back({store->callback, "대표번호"});
    if (const auto it = ExtraNumbers().find(mart); it != ExtraNumbers().end())
        numbers.insert(numbers.end(), it->second.begin(), it->second.end());

    const std::string script = "function jsGetCopyCallback() {\n"
                               "  var c = document.querySelector('input[name=cb]:checked');\n"
                               "  return c ? c.value : \"\";\n}\n";
    std::string body = Head("발신번호 선택", script) + "<h1>" + Html(store->name) + " 발신번호</h1>\n";
    if (numbers.empty()) {
        body += "<p>등록된 발신번호가 없습니다. 발신번호를 먼저 등록해 주세요.</p>\n";
    } else {
        body += "<p class=\"note\">보낼 때 쓸 번호를 고른 뒤 [선택]을 누르세요.</p>\n";
        for (const auto& n : numbers)
            body += "<label><input type=\"radio\" name=\"cb\" value=\"" + n.number + "\"> " +
                    Dashed(n.number) + " <span class=\"note\">(" + Html(n.label) + ")</span></label>\n";
    }
    body += "<p><button id=\"use\" onclick=\"location.href='SelCallback.aspx?mart=" + std::to_string(mart) +
            "&amp;ts=" + ts + "&amp;cmd=DoCopyCallbackToApp'\">선택</button></p>\n</body></html>\n";
    return {200, body};
}

// The begin request carries "<" and ">" as "_lt;_" and "_gt;_".
std::string FromWire(std::string text) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"_lt;_", "<"}, {"_gt;_", ">"}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

// Other stores' app messages, as the open-messages page offers them.
const std::vector<Sample>& OpenSamples() {
    static const std::vector<Sample> samples = {
        {"[우리마트] 주말 한우 특가",
         "이번 주말 한우 등심 100g 6,900원!\n회원님께만 드리는 특별 가격입니다."},
        {"[동네마트] 배달 서비스 시작",
         "3만원 이상 구매하시면 무료로 배달해 드립니다.\n앱에서 바로 주문하세요."},
    };
    return samples;
}

std::string MessageList(const std::vector<Sample>& messages, const std::string& link, const char* none) {
    if (messages.empty())
        return "<p>" + Html(none) + "</p>\n";
    std::string out = "<p class=\"note\">메시지를 누르면 제목과 내용이 작성란으로 복사됩니다.</p>\n";
    for (size_t i = 0; i < messages.size(); ++i) {
        out += "<a class=\"sample\" id=\"msg" + std::to_string(i + 1) + "\" href=\"" + link +
               "\" onclick=\"pick(" + std::to_string(i) + ")\">";
        if (*messages[i].title)
            out += "<b>" + Html(messages[i].title) + "</b><br>";
        out += Html(messages[i].text) + "</a>\n";
    }
    return out;
}

// The app-message dialog's pages: the store's image box, its sent messages, other stores' messages.
PageReply SmmsPage(const FormFields& query, const CenterState& center) {
    const std::string pm = FieldOf(query, "pm");
    if (!IsWellFormedPageToken(pm))
        return Refusal("페이지 인증 정보가 올바르지 않습니다.");
    const std::optional<int> mart = MartOfToken(pm);
    const std::optional<Store> store = mart ? center.StoreOf(*mart) : std::nullopt;
    if (!store || !store->hasAppAccount)
        return Refusal("등록되지 않은 매장입니다.");
    const std::string page = FieldOf(query, "page");
    const std::string self = "AppSMMS.aspx?page=" + page;

    if (page == "IMGBOX") {
        const auto& pictures = ImageBoxPictures();
        std::string data = "var pictures = [\n";
        for (const ImageBoxPicture& p : pictures)
            data += "  {box: " + std::to_string(p.box) + ", img: " + std::to_string(p.image) +
                    ", path: " + Js(ImageBoxPath(store->code, p.box, p.image)) + "},\n";
        data += "];\nvar chosen = -1;\nfunction pick(i) { chosen = i; }\n"
                "function jsGetImgBoxInfo() {\n"
                "  if (chosen < 0) return \"\";\n"
                "  var p = pictures[chosen];\n"
                "  return \"<BOX>\" + p.box + \"<\\/BOX><IMG>\" + p.img + \"<\\/IMG><URL>\" + "
                "location.protocol + "
                "\"//\" + location.host + p.path + \"<\\/URL>\";\n}\n";
        std::string body =
            Head("이미지보관함", data) + "<h1>" + Html(store->name) +
            " 이미지보관함</h1>\n<p class=\"note\">사용할 이미지를 누르면 메시지에 첨부됩니다.</p>\n"
            "<div class=\"list\">\n";
        for (size_t i = 0; i < pictures.size(); ++i) {
            const ImageBoxPicture& p = pictures[i];
            body += "<a class=\"sample\" id=\"img" + std::to_string(i + 1) + "\" href=\"" + self +
                    "&amp;cmd=DoUseWebImgBox&amp;pm=" + pm + "\" onclick=\"pick(" + std::to_string(i) +
                    ")\"><img src=\"" + ImageBoxPath(store->code, p.box, p.image) +
                    "\" width=\"160\" height=\"120\" alt=\"\"><br>" + Html(p.title) + "</a>\n";
        }
        return {200, body + "</div>\n</body></html>\n"};
    }
    if (page != "SENDED" && page != "OPENMSG")
        return Refusal("없는 페이지입니다.");

    // Titles and texts are kept as strings here; Sample only points at them.
    std::vector<std::pair<std::string, std::string>> texts;
    if (page == "SENDED") {
        const std::vector<SmmsMessage> sent = center.Smms().MessagesOf(store->code);
        for (auto it = sent.rbegin(); it != sent.rend(); ++it)
            if (it->completions > 0)
                texts.emplace_back(FromWire(it->title), FromWire(it->body));
    } else {
        for (const Sample& s : OpenSamples())
            texts.emplace_back(s.title, s.text);
    }
    std::vector<Sample> messages;
    for (const auto& [title, text] : texts)
        messages.push_back({title.c_str(), text.c_str()});

    std::string data = "var messages = [\n";
    for (const Sample& m : messages)
        data += "  {title: " + Js(m.title) + ", text: " + Js(m.text) + "},\n";
    data += "];\nvar chosen = -1;\nfunction pick(i) { chosen = i; }\n"
            "function jsGetCopyMsg() {\n"
            "  if (chosen < 0) return \"\";\n"
            "  var m = messages[chosen];\n"
            "  return \"<SMMSTITLE>\" + m.title + \"<\\/SMMSTITLE><SMMSCONTENT>\" + "
            "m.text.split(\"\\n\").join(\"<BR>\") + \"<\\/SMMSCONTENT>\";\n}\n";
    const bool sent = page == "SENDED";
    std::string body =
        Head(sent ? "전송내역" : "타점포 메시지", data) + "<h1>" +
        (sent ? Html(store->name) + " AlderS 전송내역" : std::string("다른 점포의 AlderS 문자")) +
        "</h1>\n<div class=\"list\">\n" +
        MessageList(messages, self + "&amp;cmd=DoUseWebCopyMsg&amp;pm=" + pm,
                    sent ? "전송한 AlderS 문자가 없습니다." : "다른 점포의 AlderS 문자가 없습니다.");
    return {200, body + "</div>\n</body></html>\n"};
}

} // namespace

bool IsCenterPage(const std::string& path) {
    return path == "/ZMSG/appSMS.aspx" || path == "/ZMSG/SelCallback.aspx" || path == "/SMMS/AppSMMS.aspx" ||
           IsCouponPage(path);
}

PageReply CenterPage(const std::string& path, const FormFields& query, const CenterState& center) {
    if (path == "/ZMSG/appSMS.aspx")
        return SmsPage(query, center);
    if (path == "/ZMSG/SelCallback.aspx")
        return CallbackPage(query, center);
    if (path == "/SMMS/AppSMMS.aspx")
        return SmmsPage(query, center);
    if (IsCouponPage(path))
        return CouponPage(path, query, center);
    return {404, "not found"};
}

bool IsWellFormedPageToken(std::string_view pm) {
    if (pm.size() < 40 || !AllDigits(pm))
        return false;
    const long long second = Number(pm.substr(0, 2));
    if (second > 59)
        return false;
    const long long k = second + 13;
    const size_t n = pm.size();
    return Field(pm.substr(n - 4), k, 1, 31) && Field(pm.substr(n - 8, 4), k, 1, 12) &&
           Field(pm.substr(n - 14, 6), k, 2000, 2199) && Field(pm.substr(n - 18, 4), k, 0, 23);
}

bool IsWellFormedCallbackStamp(std::string_view ts) {
    if (ts.size() != 10 || !AllDigits(ts))
        return false;
    auto at = [&](size_t i) { return Number(ts.substr(i, 2)); };
    return at(0) <= 59 && at(2) <= 59 && at(4) <= 23 && at(6) >= 1 && at(6) <= 31 && at(8) >= 1 &&
           at(8) <= 12;
}

} // namespace zmsg::sim
