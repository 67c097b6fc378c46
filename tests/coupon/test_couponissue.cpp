// The coupon issue against the simulator: batches of 100 checked phones, the issue to every regular
// member without batches, the checks with their messages, and an earlier issue found ended. Every
// fault at every request is walked in tests/center/test_sendfaultwalk.cpp.
#include <gtest/gtest.h>

#include <map>

#include "center/send/sendstate.h"
#include "frame/messagebox.h"
#include "sim/faultplan.h"
#include "tests/coupon/couponcheck.h"

using zmsg::sim::FaultKind;
using zmsg::sim::FieldOf;
using zmsg::sim::Transfer;

namespace {

std::vector<Transfer> Issues(SendFixture& f) {
    return f.fx().sim().Center().CouponIssuesOf(1001);
}

class CouponIssueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }
    SendFixture m_f;
};

TEST_F(CouponIssueTest, BatchesOfOneHundredCheckedPhones) {
    for (const int members : {100, 101, 250}) {
        SCOPED_TRACE(members);
        ASSERT_TRUE(m_f.NewStore(members));
        CouponIssueInput in = SampleCouponIssue(members);
        // Unchecked rows between checked ones do not break a batch.
        in.rows.insert(in.rows.begin() + 50, {false, 9999, "01099998888"});
        const CouponIssueResult r = IssueCoupon(m_f, in);
        EXPECT_EQ(r.outcome, CouponIssueOutcome::Issued);
        ASSERT_EQ(m_f.boxes().texts().size(), 1u);
        EXPECT_EQ(m_f.boxes().texts()[0], "지정된 회원 " + std::to_string(members) +
                                              "명을 대상으로 AlderS 쿠폰을 발행했습니다.\n\n확인을 "
                                              "누르시면 AlderS 쿠폰발행창을 닫습니다.");
        const auto requests = m_f.fx().sim().Requests().All();
        std::vector<std::string> seqs;
        for (const auto& q : requests)
            if (q.verb == "ISSUEUSER")
                seqs.push_back(FieldOf(q.fields, "seq"));
        EXPECT_EQ(seqs.size(), static_cast<size_t>((members + 99) / 100));
        for (size_t i = 0; i < seqs.size(); ++i)
            EXPECT_EQ(seqs[i], std::to_string(i + 1));
        const auto issues = Issues(m_f);
        ASSERT_EQ(issues.size(), 1u);
        EXPECT_TRUE(issues[0].ended);
        EXPECT_EQ(issues[0].coupon, 11);
        EXPECT_EQ(issues[0].sent, members);
        EXPECT_EQ(FieldOf(issues[0].begin, "istp"), "2");
        SendState state(SendStatePath());
        state.Load();
        EXPECT_TRUE(state.empty());
    }
}

// An earlier issue found ended by the settle: its members are unticked only when the same coupon is
// chosen, a repeat where every regular member is concerned asks first, and a freshly opened window
// (no coupon chosen) settles it all the same. Nobody holds a coupon twice at the center.
TEST_F(CouponIssueTest, EarlierIssueFoundEndedDecidesOnlyItsOwnCoupon) {
    struct Case {
        const char* name;
        bool earlierAll;
        int coupon; // chosen at the settling press; 0: the window was just opened
        bool all;
        size_t unticked;
        int answer; // the repeat question's answer (0: none is asked)
    };
    const Case cases[] = {{"SameCouponSameMembers", false, 13, false, 2, 0},
                          {"OtherCouponGoesToEveryone", false, 12, false, 0, 0},
                          {"FreshWindowWithoutCoupon", false, 0, false, 0, 0},
                          {"SameCouponToAllAsksNo", true, 13, true, 0, IDNO},
                          {"SameCouponToAllAsksYes", true, 13, true, 0, IDYES}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_f.NewStore(3));
        m_f.boxes().clear();
        m_f.Arm("ISSUEEND", 1, FaultKind::CloseAfter);
        m_f.Arm("ISSUEEND", 2, FaultKind::CloseBefore);
        m_f.Arm("ISSUEEND", 3, FaultKind::CloseBefore);
        CouponIssueInput earlier = SampleCouponIssue(2, c.earlierAll);
        earlier.coupon = 13;
        ASSERT_EQ(IssueCoupon(m_f, earlier).outcome, CouponIssueOutcome::Unresolved);
        m_f.fx().sim().Faults().Clear();

        CouponIssueInput in = SampleCouponIssue(3, c.all);
        in.coupon = c.coupon;
        m_f.boxes().clear();
        const CouponIssueResult settled = IssueCoupon(m_f, in);
        EXPECT_EQ(settled.outcome, CouponIssueOutcome::PreviousCompleted);
        EXPECT_EQ(settled.issue, 0);
        ASSERT_TRUE(settled.settled.has_value());
        EXPECT_EQ(settled.rowsReached.size(), c.unticked);
        ASSERT_FALSE(m_f.boxes().texts().empty());
        EXPECT_NE(m_f.boxes().texts().back().find("AlderS 쿠폰 발행 버튼을 다시 눌러 주십시오."),
                  std::string::npos)
            << m_f.boxes().texts().back();

        // The next press, with the rows the window unticked and the issue it keeps.
        for (size_t i : settled.rowsReached)
            in.rows[i].checked = false;
        in.coupon = c.coupon == 0 ? 12 : c.coupon;
        in.issuedBefore = settled.settled->send;
        m_f.boxes().clear();
        if (c.answer != 0)
            m_f.boxes().setNextAnswer(c.answer);
        const CouponIssueResult next = IssueCoupon(m_f, in);
        if (c.answer != 0) {
            ASSERT_FALSE(m_f.boxes().shown().empty());
            EXPECT_EQ(m_f.boxes().shown()[0].type, unsigned(kQuestionNoDefault));
            EXPECT_EQ(m_f.boxes().shown()[0].text.rfind("쿠폰번호 13 쿠폰은 ", 0), 0u)
                << m_f.boxes().shown()[0].text;
        }
        EXPECT_EQ(next.outcome, c.answer == IDNO ? CouponIssueOutcome::Refused : CouponIssueOutcome::Issued);
        std::map<std::string, int> held; // phone -> ended issues of coupon 13 that named it
        for (const Transfer& t : Issues(m_f))
            if (t.ended && t.coupon == 13)
                for (const auto& r : t.recipients)
                    ++held[r.phone];
        for (const auto& [phone, n] : held)
            EXPECT_EQ(n, 1) << phone;
        if (!c.all && c.coupon != 13) {
            EXPECT_EQ(Issues(m_f).back().sent, 3) << "a different coupon goes to everyone";
        }
    }
}

TEST_F(CouponIssueTest, AllMembersWithoutBatchesAndTheChecks) {
    ASSERT_TRUE(m_f.NewStore(0));
    CouponIssueInput none = SampleCouponIssue(0);
    CouponIssueResult r = IssueCoupon(m_f, none);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Refused);
    EXPECT_EQ(r.page, 1);
    EXPECT_EQ(m_f.boxes().texts().at(0), "특정회원 대상 발행을 선택하셨으나 지정된 회원이 없습니다.");
    m_f.boxes().clear();
    CouponIssueInput noCoupon = SampleCouponIssue(3);
    noCoupon.coupon = 0;
    r = IssueCoupon(m_f, noCoupon);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Refused);
    EXPECT_EQ(r.page, 2);
    EXPECT_EQ(m_f.boxes().texts().at(0), "발행하실 쿠폰을 선택해 주십시오.");
    EXPECT_EQ(m_f.fx().sim().Requests().All().size(), 0u);

    m_f.boxes().clear();
    r = IssueCoupon(m_f, SampleCouponIssue(0, true));
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Issued);
    EXPECT_EQ(m_f.boxes().texts().at(0), "전체 단골회원을 대상으로 AlderS 쿠폰을 발행했습니다.\n\n확인을 "
                                         "누르시면 AlderS 쿠폰발행창을 닫습니다.");
    EXPECT_EQ(m_f.fx().sim().Requests().Count("ISSUEUSER"), 0);
    const auto issues = Issues(m_f);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_TRUE(issues[0].ended);
    EXPECT_EQ(FieldOf(issues[0].begin, "istp"), "1");

    // A coupon the center does not know: the center's reason after the failure text.
    m_f.boxes().clear();
    CouponIssueInput unknown = SampleCouponIssue(3);
    unknown.coupon = 99;
    r = IssueCoupon(m_f, unknown);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Failed);
    EXPECT_EQ(m_f.boxes().texts().at(0), "AlderS 쿠폰발행 시작실패\n\n☞ 발행할 수 없는 쿠폰입니다.(cp=99)");
}

} // namespace
