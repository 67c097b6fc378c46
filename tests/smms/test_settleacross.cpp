// Settling across kinds, against the simulator and a real store file: an earlier SMS send, app message
// or combined send's app part whose end reply was lost is asked about (with its own end request) by
// the next press of any message kind before anything begins. What the settle finds is its own report;
// the rows it reached are left out only when the press makes the same send again, and the press after
// it sends the current message to every row still checked.
#include <gtest/gtest.h>

#include <algorithm>

#include "center/send/sendstate.h"
#include "combined/combinedsend.h"
#include "compose/smmsdraft.h"
#include "compose/smsdraft.h"
#include "sim/faultplan.h"
#include "tests/smms/smmssendcheck.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::FaultKind;

namespace {

constexpr int kRows = 10; // members 0..9 get every send
constexpr int kBySms = 5; // in a combined send, 0..4 by SMS and 5..9 by app
enum class Kind { Sms, App, Combined };

struct Pair {
    const char* name;
    Kind earlier;
    Kind current;
    bool sameText; // the press repeats the earlier message (text, title, picture)
    int leftOut;   // rows the settle leaves out of the press
};

class SettleAcross : public ::testing::TestWithParam<Pair> {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }

    static std::string Text(bool first) {
        return first ? K("행복마트 주말 할인 안내") : K("행복마트 신선 특가");
    }

    SmsSendInput SmsPress(const std::string& text, bool combined) {
        SmsSendInput in = m_f.Input(kRows);
        in.message = text;
        in.header1.clear(); // no merge fields
        in.draft.message = text;
        in.settledSent = MarkDraftsSent; // as the SMS dialog does
        if (!combined)
            return in;
        for (int i = kBySms; i < kRows; ++i) {
            in.rows[static_cast<size_t>(i)].byApp = true;
            in.rows[static_cast<size_t>(i)].bySms = false;
        }
        CombinedAppInput app;
        app.storeCode = 1001;
        app.storeName = K("행복마트");
        app.empCode = 1;
        app.message = text;
        app.callbackField = in.callbackField;
        app.rows = in.rows;
        in.appPart = CombinedIdentity(app);
        in.combinedSend = [this, app](const SmsPartDone& done) {
            return SendCombined(m_f.db(), app, done).part;
        };
        return in;
    }
    SmmsSendInput AppPress(const std::string& text) {
        SmmsSendInput in = SampleSmmsSend(kRows);
        in.body = text;
        return in;
    }
    void LoseEnd(const std::string& verb) {
        m_f.Arm(verb, 1, FaultKind::CloseAfter);
        m_f.Arm(verb, 2, FaultKind::CloseBefore);
        m_f.Arm(verb, 3, FaultKind::CloseBefore);
    }
    int Count(const std::string& verb) { return m_f.fx().sim().Requests().Count(verb); }
    int NewestRows() {
        std::vector<std::vector<std::string>> rows;
        m_f.db().DoQuery("SELECT COUNT(*) FROM smslist WHERE sl_sscode=(SELECT MAX(ss_code) FROM smssend)",
                         rows);
        return rows.empty() ? -1 : std::atoi(rows[0][0].c_str());
    }

    SendFixture m_f;
};

TEST_P(SettleAcross, EarlierSendIsSettledFirstAndDecidesOnlyItsOwnRows) {
    const Pair p = GetParam();
    ASSERT_TRUE(m_f.NewStore(2 * kRows));
    const std::string earlierText = Text(true);
    const std::string endVerb = p.earlier == Kind::Sms ? "SMSEND" : "SMMSEND";
    LoseEnd(endVerb);
    if (p.earlier == Kind::App)
        ASSERT_EQ(SendSmms(m_f, AppPress(earlierText)).outcome, SmmsSendOutcome::Unresolved);
    else
        ASSERT_NE(m_f.Send(SmsPress(earlierText, p.earlier == Kind::Combined)).outcome, SmsSendOutcome::Sent);
    m_f.fx().sim().Faults().Clear();
    m_f.fx().sim().Requests().Clear();
    // The window was closed meanwhile: its draft holds the earlier message, not marked sent.
    SmsDraft smsDraft;
    smsDraft.message = earlierText;
    ASSERT_TRUE(SaveSmsDraft(SmsDraftPath(), smsDraft, 0));
    SmmsDraft appDraft;
    appDraft.title = SampleSmmsSend(0).title;
    appDraft.message = earlierText;
    ASSERT_TRUE(SaveSmmsDraft(SmmsDraftPath(), appDraft, 0));

    // The press: the earlier end is asked again before any begin; the press ends with its report.
    const std::string text = Text(p.sameText);
    std::vector<size_t> leftOut;
    std::optional<SettledSend> settled;
    SmsSendInput sms = SmsPress(text, p.current == Kind::Combined);
    SmmsSendInput app = AppPress(text);
    if (p.current == Kind::App) {
        const SmmsSendResult r = SendSmms(m_f, app);
        EXPECT_EQ(r.outcome, SmmsSendOutcome::PreviousCompleted);
        EXPECT_EQ(r.ml, 0);
        EXPECT_EQ(r.localCode, 0);
        EXPECT_TRUE(r.rowsSent.empty());
        leftOut = r.rowsReached;
        settled = r.settled;
    } else {
        const SmsSendResult r = m_f.Send(sms);
        EXPECT_EQ(r.outcome, SmsSendOutcome::PreviousCompleted);
        EXPECT_EQ(r.centerCode, 0);
        EXPECT_EQ(r.localCode, 0) << "a settled send is not this press's result send code";
        EXPECT_EQ(r.callSent, 0);
        leftOut = r.rowsToRemove;
        settled = r.settled;
    }
    EXPECT_EQ(Count(endVerb), 1);
    EXPECT_EQ(Count("SMSBEGIN") + Count("SMMSBEGIN"), 0);
    ASSERT_TRUE(settled.has_value());
    EXPECT_EQ(settled->send.kind, p.earlier == Kind::Sms ? SendKind::Sms : SendKind::App);
    EXPECT_GT(settled->localCode, 0);
    EXPECT_EQ(static_cast<int>(leftOut.size()), p.leftOut);
    EXPECT_EQ(settled->same, p.leftOut > 0);
    if (p.earlier == Kind::App) {
        EXPECT_EQ(LoadSmmsDraft(SmmsDraftPath())->sendSuccess, 1);
    } else {
        EXPECT_EQ(LoadSmsDraft(SmsDraftPath())->sendResult, 1);
    }
    SendState journal(SendStatePath());
    journal.Load();
    EXPECT_TRUE(journal.empty());

    // The next press sends the current message to every row the settle did not leave out.
    auto keep = [&](auto& rows) {
        for (auto it = leftOut.rbegin(); it != leftOut.rend(); ++it)
            rows.erase(rows.begin() + static_cast<long>(*it));
    };
    const int expected = kRows - p.leftOut;
    m_f.fx().sim().Requests().Clear();
    if (p.current == Kind::App) {
        keep(app.rows);
        const SmmsSendResult r = SendSmms(m_f, app);
        ASSERT_EQ(r.outcome, expected > 0 ? SmmsSendOutcome::Sent : SmmsSendOutcome::Refused);
        if (expected > 0) {
            EXPECT_EQ(r.callSent, expected);
        }
    } else {
        SmsSendInput again = SmsPress(text, p.current == Kind::Combined);
        keep(again.rows);
        if (p.current == Kind::Combined) {
            // The dialog's rows after the removal, for its app part as well.
            CombinedAppInput part;
            part.storeCode = 1001;
            part.storeName = K("행복마트");
            part.empCode = 1;
            part.message = text;
            part.callbackField = again.callbackField;
            part.rows = again.rows;
            again.combinedSend = [this, part](const SmsPartDone& done) {
                return SendCombined(m_f.db(), part, done).part;
            };
        }
        const SmsSendResult r = m_f.Send(again);
        ASSERT_EQ(r.outcome, expected > 0 ? SmsSendOutcome::Sent : SmsSendOutcome::Refused);
    }
    EXPECT_EQ(Count("SMSBEGIN") + Count("SMMSBEGIN") > 0, expected > 0);
    if (expected > 0) {
        EXPECT_EQ(NewestRows(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, SettleAcross,
    ::testing::Values(Pair{"SmsThenSameSms", Kind::Sms, Kind::Sms, true, kRows},
                      Pair{"SmsThenOtherSms", Kind::Sms, Kind::Sms, false, 0},
                      Pair{"SmsThenAppOfItsText", Kind::Sms, Kind::App, true, 0},
                      Pair{"SmsThenSameCombined", Kind::Sms, Kind::Combined, true, kRows},
                      Pair{"AppThenSameApp", Kind::App, Kind::App, true, kRows},
                      Pair{"AppThenOtherApp", Kind::App, Kind::App, false, 0},
                      Pair{"AppThenSmsOfItsText", Kind::App, Kind::Sms, true, 0},
                      Pair{"CombinedThenSmsOnly", Kind::Combined, Kind::Sms, true, 0},
                      Pair{"CombinedThenSameCombined", Kind::Combined, Kind::Combined, true, kRows - kBySms},
                      Pair{"CombinedThenOtherCombined", Kind::Combined, Kind::Combined, false, 0}),
    [](const ::testing::TestParamInfo<Pair>& info) { return std::string(info.param.name); });

// "예: 발송되었음" for an app message to every regular member: the history's count is not 0, so its
// results are asked for.
TEST(SettleAcrossClerk, AllMembersMessageSettledAsSentIsAskedForItsResults) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(kRows));
    f.fx().sim().Center().SetRefuseRepeatedEnd(true);
    f.Arm("SMMSEND", 1, FaultKind::CloseAfter);
    SmmsSendInput all = SampleSmmsSend(0);
    all.allMembers = true;
    all.mobileDays = 30;
    ASSERT_EQ(SendSmms(f, all).outcome, SmmsSendOutcome::Disputed);
    f.boxes().setNextAnswer(IDYES);
    ASSERT_EQ(SendSmms(f, all).outcome, SmmsSendOutcome::PreviousCompleted);
    const auto history = AppHistoryOf(f);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_GT(history[0].count, 0);
}

// An app message's end still unknown (the center unreachable): an SMS press begins nothing and says
// which send holds it back.
TEST(SettleAcrossClerk, SmsPressRefusesWhileAnAppMessageStaysUnknown) {
    SendFixture f;
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.NewStore(kRows));
    f.Arm("SMMSEND", 1, FaultKind::CloseAfter);
    f.Arm("SMMSEND", 2, FaultKind::CloseBefore);
    f.Arm("SMMSEND", 3, FaultKind::CloseBefore);
    ASSERT_EQ(SendSmms(f, SampleSmmsSend(kRows)).outcome, SmmsSendOutcome::Unresolved);
    f.PointAt("http://127.0.0.1:1");
    f.boxes().clear();
    const SmsSendResult r = f.Send(f.Input(kRows));
    f.PointAt(f.fx().sim().BaseUrl());
    EXPECT_EQ(r.outcome, SmsSendOutcome::Unresolved);
    ASSERT_EQ(f.boxes().texts().size(), 1u);
    EXPECT_EQ(
        f.boxes().texts()[0].rfind("완료응답을 받지 못했던 이전 AlderS 문자 전송의 결과를 센터에서 아직 "
                                   "확인할 수 없습니다.\n(ML=",
                                   0),
        0u)
        << f.boxes().texts()[0];
    EXPECT_NE(f.boxes().texts()[0].find("10명)"), std::string::npos);
    EXPECT_EQ(f.fx().sim().Requests().Count("SMSBEGIN"), 0);
}

} // namespace
