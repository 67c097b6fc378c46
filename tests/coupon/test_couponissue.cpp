// The coupon issue against the simulator: batches of 100 checked phones, the issue to every regular
// member without batches, the checks with their messages, and every request failing in every way the
// network or the center can fail, then pressed again: no issue ended twice, no member given the coupon
// twice by an ended issue, and the user told the right thing.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "center/requestclient.h"
#include "center/send/sendstate.h"
#include "center/vexconfig.h"
#include "coupon/couponissue.h"
#include "frame/messagebox.h"
#include "sim/faultplan.h"
#include "tests/sms/sendfixture.h"

using zmsg::sim::Fault;
using zmsg::sim::FaultKind;
using zmsg::sim::FieldOf;
using zmsg::sim::Transfer;

namespace {

constexpr int kMembers = 250;

CouponIssueInput Sample(int members, bool allMembers = false) {
    CouponIssueInput in;
    in.storeCode = 1001;
    in.empCode = 1;
    in.coupon = 11;
    in.allMembers = allMembers;
    for (int i = 0; i < members; ++i)
        in.rows.push_back({true, i + 1, SendFixture::PhoneOf(i)});
    return in;
}

CouponIssueResult Issue(SendFixture& f, const CouponIssueInput& in) {
    CouponIssueTransaction t(f.db(), in);
    return t.Run();
}

// Every issue the simulator holds, in order.
std::vector<Transfer> Issues(SendFixture& f) {
    std::vector<Transfer> out;
    for (int code = 301;; ++code) {
        const auto t = f.fx().sim().Center().CouponIssue(code);
        if (!t)
            return out;
        out.push_back(*t);
    }
}

int Ended(SendFixture& f) {
    int n = 0;
    for (const Transfer& t : Issues(f))
        n += t.ended ? 1 : 0;
    return n;
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
        CouponIssueInput in = Sample(members);
        // Unchecked rows between checked ones do not break a batch.
        in.rows.insert(in.rows.begin() + 50, {false, 9999, "01099998888"});
        const CouponIssueResult r = Issue(m_f, in);
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
        CouponIssueInput earlier = Sample(2, c.earlierAll);
        earlier.coupon = 13;
        ASSERT_EQ(Issue(m_f, earlier).outcome, CouponIssueOutcome::Unresolved);
        m_f.fx().sim().Faults().Clear();

        CouponIssueInput in = Sample(3, c.all);
        in.coupon = c.coupon;
        m_f.boxes().clear();
        const CouponIssueResult settled = Issue(m_f, in);
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
        const CouponIssueResult next = Issue(m_f, in);
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
    CouponIssueInput none = Sample(0);
    CouponIssueResult r = Issue(m_f, none);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Refused);
    EXPECT_EQ(r.page, 1);
    EXPECT_EQ(m_f.boxes().texts().at(0), "특정회원 대상 발행을 선택하셨으나 지정된 회원이 없습니다.");
    m_f.boxes().clear();
    CouponIssueInput noCoupon = Sample(3);
    noCoupon.coupon = 0;
    r = Issue(m_f, noCoupon);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Refused);
    EXPECT_EQ(r.page, 2);
    EXPECT_EQ(m_f.boxes().texts().at(0), "발행하실 쿠폰을 선택해 주십시오.");
    EXPECT_EQ(m_f.fx().sim().Requests().All().size(), 0u);

    m_f.boxes().clear();
    r = Issue(m_f, Sample(0, true));
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
    CouponIssueInput unknown = Sample(3);
    unknown.coupon = 99;
    r = Issue(m_f, unknown);
    EXPECT_EQ(r.outcome, CouponIssueOutcome::Failed);
    EXPECT_EQ(m_f.boxes().texts().at(0), "AlderS 쿠폰발행 시작실패\n\n☞ 발행할 수 없는 쿠폰입니다.(cp=99)");
}

enum class Kind { CloseBefore, CloseAfter, Http500, Fail, NoColon, Short, BadUtf8, Late };

struct KindInfo {
    Kind kind;
    const char* name;
    bool answered;
};

const std::vector<KindInfo> kKinds = {
    {Kind::CloseBefore, "close-before", false}, {Kind::CloseAfter, "close-after", false},
    {Kind::Http500, "http500", false},          {Kind::Fail, "fail", true},
    {Kind::NoColon, "nocolon", true},           {Kind::Short, "short", true},
    {Kind::BadUtf8, "badutf8", true},           {Kind::Late, "late", false},
};

struct Position {
    const char* verb;
    int nth;
};

const std::vector<Position> kPositions = {{"ISSUEBEGIN", 1}, {"ISSUEUSER", 1}, {"ISSUEUSER", 2},
                                          {"ISSUEUSER", 3},  {"ISSUEEND", 1},  {"ISSUEEND", 2},
                                          {"ISSUEEND", 3}};

int LateMs(const std::string& verb) {
    const int timeout = verb == "ISSUEEND"    ? 120000
                        : verb == "ISSUEUSER" ? 60000
                                              : zmsg::kDefaultRequestTimeoutMs;
    return static_cast<int>(timeout * kTestTimeoutScale) + 400;
}

CouponIssueOutcome Expected(const Position& at, const KindInfo& k) {
    if (std::string(at.verb) != "ISSUEEND")
        return CouponIssueOutcome::Failed;
    if (k.kind == Kind::Fail)
        return at.nth == 1 ? CouponIssueOutcome::Failed : CouponIssueOutcome::Disputed;
    if (k.answered || at.nth == 3)
        return CouponIssueOutcome::Unresolved;
    return CouponIssueOutcome::Issued;
}

std::string ExpectedFirst(const Position& at, const KindInfo& k) {
    const std::string verb = at.verb;
    if (verb == "ISSUEBEGIN")
        return k.answered ? "AlderS 쿠폰발행 시작실패"
                          : "센터에 AlderS 쿠폰발행 시작을 알릴 수 없습니다.(통신실패)";
    if (verb == "ISSUEUSER")
        return k.answered ? "AlderS 쿠폰발행대상 데이터를 센터에 기록할 수 없습니다."
                          : "AlderS 쿠폰발행대상 데이터를 센터로 보낼 수 없습니다.(통신실패)";
    switch (Expected(at, k)) {
    case CouponIssueOutcome::Issued:
        return "지정된 회원 250명을 대상으로 AlderS 쿠폰을 발행했습니다.";
    case CouponIssueOutcome::Unresolved:
        if (!k.answered)
            return "센터에 AlderS 쿠폰발행완료 응답을 수신할 수 없습니다.(통신실패)\n\n고객지원센터로 "
                   "연락바랍니다.\n\n※ 완료 확인 대기 중인 쿠폰발행 (쿠폰번호 11, 지정된 회원 250명, ";
        return "센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.";
    default:
        return "센터에서 AlderS 쿠폰발행을 완료할 수 없습니다.\n\n☞ 센터 점검중\n\n고객지원센터로 "
               "연락바랍니다.";
    }
}

class CouponFaultWalk : public CouponIssueTest {
protected:
    void ArmKind(const Position& at, Kind kind) {
        if (std::string(at.verb) == "ISSUEEND")
            for (int k = 1; k < at.nth; ++k)
                m_f.Arm("ISSUEEND", k, FaultKind::CloseBefore);
        static const std::map<Kind, FaultKind> kinds = {
            {Kind::CloseBefore, FaultKind::CloseBefore}, {Kind::CloseAfter, FaultKind::CloseAfter},
            {Kind::Http500, FaultKind::Http500},         {Kind::Fail, FaultKind::Fail},
            {Kind::NoColon, FaultKind::NoColon},         {Kind::Short, FaultKind::Short},
            {Kind::BadUtf8, FaultKind::BadUtf8},         {Kind::Late, FaultKind::Delay}};
        m_f.Arm(at.verb, at.nth, kinds.at(kind), kind == Kind::Late ? LateMs(at.verb) : 0);
    }
    void CheckInvariants(const char* when) {
        SCOPED_TRACE(when);
        std::map<std::string, int> given;
        int ended = 0;
        for (const Transfer& t : Issues(m_f)) {
            if (!t.ended)
                continue;
            ++ended;
            for (const auto& r : t.recipients)
                ++given[r.phone];
        }
        EXPECT_LE(ended, 1) << "the coupon issued twice";
        for (const auto& [phone, times] : given)
            EXPECT_EQ(times, 1) << phone << " given the coupon twice";
    }
};

TEST_F(CouponFaultWalk, EveryRequestEveryFaultThenASecondPress) {
    for (const Position& at : kPositions) {
        for (const KindInfo& k : kKinds) {
            const std::string name = std::string(at.verb) + "#" + std::to_string(at.nth) + " " + k.name;
            SCOPED_TRACE(name);
            ASSERT_TRUE(m_f.NewStore(kMembers));
            std::string reply;
            ASSERT_EQ(RequestPost(m_f.fx().url("/CouponIssue/AppRequest.ashx"),
                                  "work=MARTINFO&mart=1001&ver=1", reply, 0),
                      1);
            m_f.fx().sim().Requests().Clear();
            ArmKind(at, k.kind);
            const CouponIssueInput input = Sample(kMembers);
            const CouponIssueResult first = Issue(m_f, input);
            const CouponIssueOutcome expected = Expected(at, k);
            EXPECT_EQ(first.outcome, expected);
            ASSERT_FALSE(m_f.boxes().texts().empty());
            EXPECT_EQ(m_f.boxes().texts().at(0).rfind(ExpectedFirst(at, k), 0), 0u)
                << m_f.boxes().texts().at(0);
            if (std::string(at.verb) == "ISSUEUSER") {
                EXPECT_EQ(
                    m_f.boxes().texts().back(),
                    "AlderS 쿠폰발행대상 전송에 실패했습니다.\n다시 발행을 시도해 보시고 문제가 반복되면 "
                    "고객지원센터로 문의해 주십시오.");
                EXPECT_EQ(m_f.fx().sim().Requests().Count("ISSUEUSER"), at.nth);
                EXPECT_EQ(m_f.fx().sim().Requests().Count("ISSUEEND"), 0);
            }
            EXPECT_EQ(first.unsettled.has_value(),
                      expected == CouponIssueOutcome::Unresolved || expected == CouponIssueOutcome::Disputed);
            CheckInvariants("after the fault");

            m_f.fx().sim().Faults().Clear();
            if (k.kind == Kind::Late)
                std::this_thread::sleep_for(std::chrono::milliseconds(LateMs(at.verb)));
            CouponIssueResult last = first;
            int presses = 0;
            while (last.outcome != CouponIssueOutcome::Issued &&
                   last.outcome != CouponIssueOutcome::PreviousCompleted && presses < 3) {
                m_f.boxes().clear();
                if (last.outcome == CouponIssueOutcome::Disputed)
                    m_f.boxes().setNextAnswer(Ended(m_f) == 1 ? IDYES : IDNO);
                CouponIssueInput again = input;
                again.ownUnsettled = last.unsettled;
                m_f.fx().sim().Requests().Clear();
                last = Issue(m_f, again);
                ++presses;
                if (first.unsettled && presses == 1 && last.outcome != CouponIssueOutcome::PreviousDropped) {
                    // Asked with the same end before any new begin.
                    EXPECT_EQ(m_f.fx().sim().Requests().Count("ISSUEBEGIN"), 0);
                }
            }
            if (expected == CouponIssueOutcome::Unresolved) {
                EXPECT_EQ(last.outcome, CouponIssueOutcome::PreviousCompleted);
                EXPECT_EQ(m_f.boxes().texts().at(0).rfind("완료응답을 받지 못했던 이전 AlderS 쿠폰발행이 "
                                                          "센터에서 완료되었습니다.\n(쿠폰번호 11, "
                                                          "지정된 회원 250명",
                                                          0),
                          0u);
            }
            CheckInvariants("after pressing again");
            EXPECT_EQ(Ended(m_f), 1);
            SendState state(SendStatePath());
            state.Load();
            EXPECT_TRUE(state.empty());
        }
    }
}

} // namespace
