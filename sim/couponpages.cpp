#include "sim/couponpages.h"

#include <cstdlib>
#include <map>

namespace zmsg::sim {

namespace {

const char* const kList = "/CouponIssue/AppCoupon.aspx";
const char* const kSelected = "/CouponIssue/CouponSelected.aspx";

struct SampleCoupon {
    const char* name;
    const char* detail;
};

const std::map<int, SampleCoupon>& Coupons() {
    static const std::map<int, SampleCoupon> coupons = {
        {11, {"삼겹살 20% 할인", "국내산 삼겹살 100g당 20% 할인 (1인 1회)"}},
        {12, {"3만원 이상 3천원 할인", "3만원 이상 구매 시 계산대에서 3,000원 할인"}},
        {13, {"우유 1+1", "1L 흰우유 1+1 (행사 기간 중 1회)"}},
        {21, {"과일 10% 할인", "제철 과일 전 품목 10% 할인"}},
    };
    return coupons;
}

bool Digits(const std::string& s, size_t size) {
    if (s.size() != size)
        return false;
    for (const char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

PageReply ListPage(const FormFields& query, const CenterState& center) {
    const std::string pm = FieldOf(query, "pm");
    const std::string page = FieldOf(query, "page");
    if (!IsWellFormedPageToken(pm))
        return Refusal("페이지 인증 정보가 올바르지 않습니다.");
    if (page != "COUPON" && page != "ISSUELIST")
        return Refusal("없는 페이지입니다.");
    const std::optional<int> mart = MartOfToken(pm);
    const std::optional<Store> store = mart ? center.StoreOf(*mart) : std::nullopt;
    if (!store || !store->hasCouponAccount)
        return Refusal("쿠폰발행용 점포정보가 없습니다.");

    std::string script = "var coupons = {\n";
    for (const int cp : store->coupons)
        script += "  " + std::to_string(cp) + ": " + Js(CouponName(cp)) + ",\n";
    script +=
        "};\nvar chosen = 0;\nfunction pick(cp) { chosen = cp; }\n"
        "function jsGetCouponInfo() {\n"
        "  return chosen ? \"<CP>\" + chosen + \"</CP><NAME>\" + coupons[chosen] + \"</NAME>\" : \"\";\n}\n";
    std::string body;
    if (page == "COUPON") {
        body = Head("쿠폰함", script) + "<h1>" + Html(store->name) + " 쿠폰함</h1>\n" +
               "<p class=\"note\">발행할 쿠폰을 누르세요.</p>\n";
        for (const int cp : store->coupons) {
            const auto it = Coupons().find(cp);
            body += "<a class=\"sample\" id=\"coupon" + std::to_string(cp) +
                    "\" href=\"AppCoupon.aspx?page=COUPON" + "&amp;cmd=DoSelectCoupon&amp;pm=" + pm +
                    "\" onclick=\"pick(" + std::to_string(cp) + ")\"><b>" + Html(CouponName(cp)) +
                    "</b><br>" + Html(it == Coupons().end() ? "" : it->second.detail) + "</a>\n";
        }
    } else {
        body = Head("쿠폰 발행내역", script) + "<h1>" + Html(store->name) + " 쿠폰 발행내역</h1>\n";
        const std::vector<Transfer> issues = center.CouponIssuesOf(store->code);
        if (issues.empty()) {
            body += "<p>발행내역이 없습니다.</p>\n";
        } else {
            body += "<table id=\"issues\"><tr><th>발행코드</th><th>쿠폰</th><th>대상</th><th>발행인원</th>"
                    "<th>상태</th></tr>\n";
            for (const Transfer& t : issues)
                body += "<tr><td>" + std::to_string(t.code) + "</td><td>" + Html(CouponName(t.coupon)) +
                        "</td><td>" + (t.issueType == 1 ? "전체 회원" : "특정 회원") + "</td><td>" +
                        std::to_string(t.sent) + "</td><td>" + (t.ended ? "발행완료" : "미완료") +
                        "</td></tr>\n";
            body += "</table>\n";
        }
    }
    return {200, body + "</body></html>\n"};
}

PageReply SelectedPage(const FormFields& query) {
    const std::string ts = FieldOf(query, "ts");
    const std::string cpText = FieldOf(query, "cp");
    if (!Digits(ts, 14) || cpText.empty() || cpText.size() > 9 || !Digits(cpText, cpText.size()))
        return Refusal("페이지 인증 정보가 올바르지 않습니다.");
    const int cp = std::atoi(cpText.c_str());
    std::string body = Head("선택한 쿠폰", "");
    const auto it = Coupons().find(cp);
    if (cp == 0 || it == Coupons().end())
        body += "<p id=\"none\" class=\"note\">선택된 쿠폰이 없습니다. 쿠폰함에서 발행할 쿠폰을 골라 "
                "주세요.</p>\n";
    else
        body += "<h1 id=\"chosen\">" + Html(it->second.name) + "</h1>\n<p>" + Html(it->second.detail) +
                "</p>\n<p class=\"note\">쿠폰번호 " + std::to_string(cp) + "</p>\n";
    return {200, body + "</body></html>\n"};
}

} // namespace

std::string CouponName(int coupon) {
    const auto it = Coupons().find(coupon);
    return it == Coupons().end() ? std::string() : it->second.name;
}

bool IsCouponPage(const std::string& path) {
    return path == kList || path == kSelected;
}

PageReply CouponPage(const std::string& path, const FormFields& query, const CenterState& center) {
    if (path == kList)
        return ListPage(query, center);
    return SelectedPage(query);
}

} // namespace zmsg::sim
