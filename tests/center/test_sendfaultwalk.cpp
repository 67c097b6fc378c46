// The walk of every request through every fault, once for each kind of send the engine carries: an SMS
// of 250 members (against a center that repeats its reply to a repeated end and against one that
// refuses it), an app message of 250 checked members with an uploaded picture, and a coupon issue to
// 250 checked members.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "sim/smmsstate.h"
#include "tests/coupon/couponcheck.h"
#include "tests/smms/smmssendcheck.h"
#include "tests/support/faultwalk.h"
#include "text/codec.h"

namespace {

template <typename Outcome> WalkOutcome Common(Outcome o, Outcome sent) {
    if (o == sent)
        return WalkOutcome::Sent;
    switch (o) {
    case Outcome::Failed:
        return WalkOutcome::Failed;
    case Outcome::Unresolved:
        return WalkOutcome::Unresolved;
    case Outcome::Disputed:
        return WalkOutcome::Disputed;
    case Outcome::PreviousCompleted:
        return WalkOutcome::PreviousCompleted;
    case Outcome::PreviousDropped:
        return WalkOutcome::PreviousDropped;
    default:
        return WalkOutcome::Other;
    }
}

class OnSendFixture : public WalkKind {
public:
    explicit OnSendFixture(SendFixture& f) : m_f(f) {}
    SimFixture& fx() override { return m_f.fx(); }
    ScriptedMessages& boxes() override { return m_f.boxes(); }
    bool NewStore() override { return m_f.NewStore(recipients); }

protected:
    SendFixture& m_f;
};

// The window removes the rows a press reached and sends the rest at the next.
class SmsWalk : public OnSendFixture {
public:
    SmsWalk(SendFixture& f, bool refuseRepeat) : OnSendFixture(f) {
        beginVerb = "SMSBEGIN";
        batchVerb = "SMSLIST";
        endVerb = "SMSEND";
        path = "/ZMSG/AppRequest.ashx";
        positions = {{"SMSBEGIN", 1}, {"SMSLIST", 1}, {"SMSLIST", 2}, {"SMSLIST", 3},
                     {"SMSEND", 1},   {"SMSEND", 2},  {"SMSEND", 3}};
        refusesRepeatedEnd = refuseRepeat;
        const std::string endFailed = "센터에서 SMS 전송을 완료할 수 없습니다.";
        texts = {
            {{"SMSBEGIN", {"센터에 SMS 전송시작을 알릴 수 없습니다.(통신실패)", "SMS 센터전송 시작실패"}},
             {"SMSLIST",
              {"SMS 데이터를 센터로 보낼 수 없습니다.(통신실패)",
               "SMS 데이터를 센터에 기록할 수 없습니다."}}},
            "SMS 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 반복되면 콜센터로 문의해 주십시오.",
            "▶ SMS 250 건\n",
            "센터에서 전송완료 응답을 수신할 수 없습니다.(통신실패)\n\n콜센터로 연락바랍니다.\n☎ 1600-0000",
            endFailed,
            endFailed,
            "완료응답을 받지 못했던 SMS 전송(250건)의 완료 요청을 센터가 거절했습니다.\n\n☞ ",
            "완료응답을 받지 못했던 이전 SMS 전송이 센터에서 완료되었습니다.(250건)"};
    }
    bool NewStore() override {
        if (!m_f.NewStore(recipients))
            return false;
        m_f.fx().sim().Center().SetRefuseRepeatedEnd(refusesRepeatedEnd);
        return true;
    }
    WalkPress Press(bool first) override {
        if (first)
            m_input = m_f.Input(recipients);
        for (auto it = m_reached.rbegin(); !first && it != m_reached.rend(); ++it)
            m_input.rows.erase(m_input.rows.begin() + static_cast<long>(*it));
        const SmsSendResult r = m_f.Send(m_input);
        m_reached = r.rowsToRemove;
        return {Common(r.outcome, SmsSendOutcome::Sent), r.rowsToRemove.size(), r.unsettled.has_value()};
    }
    int Ended(std::vector<std::string>& phones) override {
        const auto center = m_f.Center();
        phones = center.phones;
        return center.ended;
    }
    std::vector<History> HistoryRows() override {
        std::vector<History> out;
        for (const LocalSend& s : m_f.History()) {
            const auto t = m_f.fx().sim().Center().SmsSend(s.center);
            out.push_back({s.listRows, s.trcount, t && t->ended});
        }
        return out;
    }
    void CheckCenter() override {
        const auto center = m_f.Center();
        EXPECT_EQ(center.balance, 5000 - static_cast<double>(center.phones.size())) << "charged twice";
    }

private:
    SmsSendInput m_input;
    std::vector<size_t> m_reached;
};

// The window hands back the unsettled message it kept.
class AppWalk : public OnSendFixture {
public:
    explicit AppWalk(SendFixture& f) : OnSendFixture(f) {
        beginVerb = "SMMSBEGIN";
        batchVerb = "SMMSTRAN";
        endVerb = "SMMSEND";
        path = "/SMMS/AppRequest.ashx";
        positions = {{"SMMSBEGIN", 1}, {"UPLOAD", 1},  {"SMMSTRAN", 1}, {"SMMSTRAN", 2},
                     {"SMMSTRAN", 3},  {"SMMSEND", 1}, {"SMMSEND", 2},  {"SMMSEND", 3}};
        const std::string endFailed = "센터에서 AlderS 문자 전송을 완료할 수 없습니다.";
        texts = {
            {{"SMMSBEGIN",
              {"센터에 AlderS 문자 전송시작을 알릴 수 없습니다.(통신실패)", "AlderS 문자 센터전송 시작실패"}},
             {"UPLOAD",
              {"AlderS 문자 이미지를 전송하지 못했습니다.(통신실패)", "AlderS 문자 이미지 전송실패"}},
             {"SMMSTRAN",
              {"AlderS 문자 데이터를 센터로 보낼 수 없습니다.(통신실패)",
               "AlderS 문자 데이터를 센터에 기록할 수 없습니다."}}},
            "AlderS 문자 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 반복되면 콜센터로 문의해 "
            "주십시오.",
            "250명에게 AlderS 문자를 전송했습니다.",
            "센터에 AlderS 문자 전송완료 응답을 수신할 수 없습니다.(통신실패)\n\n콜센터로 연락바랍니다.(☎ "
            "1600-0000)",
            endFailed,
            endFailed,
            "완료응답을 받지 못했던 AlderS 문자 전송(250건)의 완료 요청을 센터가 거절했습니다.\n\n☞ ",
            "완료응답을 받지 못했던 이전 AlderS 문자 전송이 센터에서 완료되었습니다.(250건)"};
    }
    bool NewStore() override { return m_picture.ok() && m_f.NewStore(recipients); }
    WalkPress Press(bool first) override {
        SmmsSendInput in = SampleSmmsSend(recipients);
        in.body = zmsg::K("{회원명}님, 이번 주 할인 안내");
        in.imagePath = m_picture.path();
        if (!first)
            in.ownUnsettled = m_kept;
        const SmmsSendResult r = SendSmms(m_f, in);
        m_kept = r.unsettled;
        const WalkOutcome o = Common(r.outcome, SmmsSendOutcome::Sent);
        return {o, (o == WalkOutcome::Sent ? r.rowsSent : r.rowsReached).size(), r.unsettled.has_value()};
    }
    int Ended(std::vector<std::string>& phones) override {
        int completed = 0;
        for (const auto& m : AppMessages(m_f)) {
            completed += m.completions;
            if (m.completions > 0)
                for (const auto& [phone, times] : zmsg::sim::SmmsState::ListedPhones(m))
                    phones.insert(phones.end(), static_cast<size_t>(times), phone);
        }
        return completed;
    }
    std::vector<History> HistoryRows() override {
        std::map<long long, int> completions;
        for (const auto& m : AppMessages(m_f))
            completions[m.code] = m.completions;
        std::vector<History> out;
        for (const AppHistory& h : AppHistoryOf(m_f))
            out.push_back({h.listRows, recipients, completions[h.ml] == 1});
        return out;
    }
    void CheckCenter() override {
        for (const auto& m : AppMessages(m_f)) {
            EXPECT_LE(m.pictures, 1) << "a picture sent twice";
            if (m.completions > 0) {
                EXPECT_EQ(m.pictures, 1);
            }
        }
    }

private:
    UploadPicture m_picture;
    std::optional<PendingSend> m_kept;
};

// The window hands back the unsettled issue it kept.
class CouponWalk : public OnSendFixture {
public:
    explicit CouponWalk(SendFixture& f) : OnSendFixture(f) {
        beginVerb = "ISSUEBEGIN";
        batchVerb = "ISSUEUSER";
        endVerb = "ISSUEEND";
        path = CouponIssueTransaction::kPath;
        positions = {{"ISSUEBEGIN", 1}, {"ISSUEUSER", 1}, {"ISSUEUSER", 2}, {"ISSUEUSER", 3},
                     {"ISSUEEND", 1},   {"ISSUEEND", 2},  {"ISSUEEND", 3}};
        keepsHistory = false;
        const std::string refused = "센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.\n\n☞ 센터 점검중\n\n"
                                    "고객지원센터로 연락바랍니다.";
        texts = {
            {{"ISSUEBEGIN",
              {"센터에 AlderS 쿠폰발행 시작을 알릴 수 없습니다.(통신실패)", "AlderS 쿠폰발행 시작실패"}},
             {"ISSUEUSER",
              {"AlderS 쿠폰발행대상 데이터를 센터로 보낼 수 없습니다.(통신실패)",
               "AlderS 쿠폰발행대상 데이터를 센터에 기록할 수 없습니다."}}},
            "AlderS 쿠폰발행대상 전송에 실패했습니다.\n다시 발행을 시도해 보시고 문제가 반복되면 "
            "고객지원센터로 문의해 주십시오.",
            "지정된 회원 250명을 대상으로 AlderS 쿠폰을 발행했습니다.",
            "센터에 AlderS 쿠폰발행완료 응답을 수신할 수 없습니다.(통신실패)\n\n고객지원센터로 "
            "연락바랍니다.\n\n※ 완료 확인 대기 중인 쿠폰발행 (쿠폰번호 11, 지정된 회원 250명, ",
            "센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.",
            refused,
            refused,
            "완료응답을 받지 못했던 이전 AlderS 쿠폰발행이 센터에서 완료되었습니다.\n(쿠폰번호 11, 지정된 "
            "회원 250명"};
    }
    WalkPress Press(bool first) override {
        CouponIssueInput in = SampleCouponIssue(recipients);
        if (!first)
            in.ownUnsettled = m_kept;
        const CouponIssueResult r = IssueCoupon(m_f, in);
        m_kept = r.unsettled;
        const WalkOutcome o = Common(r.outcome, CouponIssueOutcome::Issued);
        return {o, o == WalkOutcome::Sent ? static_cast<size_t>(r.phonesSent) : r.rowsReached.size(),
                r.unsettled.has_value()};
    }
    int Ended(std::vector<std::string>& phones) override {
        int ended = 0;
        for (const auto& t : m_f.fx().sim().Center().CouponIssuesOf(1001)) {
            if (!t.ended)
                continue;
            ++ended;
            for (const auto& r : t.recipients)
                phones.push_back(r.phone);
        }
        return ended;
    }
    std::vector<History> HistoryRows() override { return {}; }

private:
    std::optional<PendingSend> m_kept;
};

class SendFaultWalk : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<WalkKind> Kind() {
        const std::string name = GetParam();
        if (name == "Sms" || name == "SmsRepeatedEndRefused")
            return std::make_unique<SmsWalk>(m_f, name != "Sms");
        if (name == "App")
            return std::make_unique<AppWalk>(m_f);
        return std::make_unique<CouponWalk>(m_f);
    }
    SendFixture m_f;
};

TEST_P(SendFaultWalk, EveryRequestEveryFaultThenPressedAgain) {
    ASSERT_TRUE(m_f.ok());
    const auto kind = Kind();
    WalkEveryFault(*kind);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SendFaultWalk,
                         ::testing::Values("Sms", "SmsRepeatedEndRefused", "App", "Coupon"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
