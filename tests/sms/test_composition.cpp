// Writing a message: the byte counter, the advertising templates, the advertising rules with the
// user's answers, and how checked recipients are split between SMS and the app message.
#include <gtest/gtest.h>

#include "compose/composition.h"
#include "members/recipientlist.h"
#include "members/targets.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

using zmsg::K;

namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(MessageCounter, BytesAgainstTheKindsLimit) {
    struct Row {
        const char* name;
        std::string text;
        bool lms;
        int length;
        bool over;
        const char* counter;
    };
    const std::string ga = K("가");
    const Row rows[] = {
        {"empty", "", false, 0, false, "0/90"},
        {"45 syllables", Repeat(ga, 45), false, 90, false, "90/90"},
        {"one byte more", Repeat(ga, 45) + "a", false, 91, true, "91/90"},
        {"CR LF is one byte", Repeat(ga, 44) + "\r\n" + "a", false, 90, false, "90/90"},
        {"LF is one byte", Repeat(ga, 44) + "\n" + "ab", false, 91, true, "91/90"},
        {"LMS 1000 syllables", Repeat(ga, 1000), true, 2000, false, "2000/2000"},
        {"LMS over", Repeat(ga, 1000) + "\r\n", true, 2001, true, "2001/2000"},
        {"91 bytes fit an LMS", Repeat(ga, 45) + "a", true, 91, false, "91/2000"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const MessageCount c = CountMessage(r.text, r.lms);
        EXPECT_EQ(c.length, r.length);
        EXPECT_EQ(c.over, r.over);
        EXPECT_EQ(CounterText(c), r.counter);
    }
    EXPECT_EQ(NormalizeMessage("it's\r\nok  \r\n"), "it\"s\nok");
}

TEST(AdTemplate, FollowsTheKindUntilTheUserChangesIt) {
    const AdTemplates t = MakeAdTemplates(K("행복마트"), "02-1234-5678", "080-123-4567");
    EXPECT_EQ(zmsg::Cp949ToUtf8(t.full), "(광고)\n\n행복마트\n☏ 02-1234-5678\n\n무료수신거부\n080-123-4567");
    EXPECT_EQ(zmsg::Cp949ToUtf8(t.brief), "(광고)\n\n행복마트\n02-1234-5678\n\n무료수신거부\n080-123-4567");
    EXPECT_EQ(zmsg::Cp949ToUtf8(t.subject), "(광고)행복마트");

    std::string text;
    std::string subject;
    ApplyAdTemplate(false, t, text, subject); // opening in SMS
    EXPECT_EQ(text, t.brief);
    EXPECT_EQ(subject, "");
    ApplyAdTemplate(true, t, text, subject); // to LMS
    EXPECT_EQ(text, t.full);
    EXPECT_EQ(subject, t.subject);
    ApplyAdTemplate(false, t, text, subject); // back to SMS
    EXPECT_EQ(text, t.brief);
    EXPECT_EQ(subject, t.subject) << "the subject stays for the next switch";

    std::string edited = t.brief + K(" 오늘 특가");
    subject = K("내 제목");
    ApplyAdTemplate(true, t, edited, subject);
    EXPECT_EQ(edited, t.brief + K(" 오늘 특가")) << "a changed text is the user's";
    EXPECT_EQ(subject, K("내 제목"));

    // A store name holding '%' stays as written.
    EXPECT_EQ(zmsg::Cp949ToUtf8(MakeAdTemplates("100%s", "1", "2").subject), "(광고)100%s");
    EXPECT_EQ(zmsg::Cp949ToUtf8(RefusalNotice(K("행복마트"))),
              "{요청일} 요청하신 수신거부가 정상적으로 처리되었습니다.\n-행복마트-");
}

TEST(AdRules, EveryRuleAsksAndNoStops) {
    const std::string goOn = "\n메시지 발송을 계속 진행하시겠습니까?";
    AdRuleInput good;
    good.lms = true;
    good.subject = K("(광고)행복마트");
    good.message = K("(광고)\n\n행복마트\n☏ 02-1234-5678\n\n무료수신거부\n080-123-4567");
    good.storeName = K("행복마트");
    good.storePhone = "02-1234-5678";
    good.optOutNumber = "080-123-4567";

    struct Row {
        const char* name;
        AdRuleInput input;
        const char* question; // nullptr: passes without a question
    };
    auto with = [&good](auto change) {
        AdRuleInput in = good;
        change(in);
        return in;
    };
    const Row rows[] = {
        {"all there", good, nullptr},
        {"subject without the mark", with([](AdRuleInput& in) { in.subject = K("행복마트 소식"); }),
         "메시지 제목은 \"(광고)\" 문구로 시작해야 합니다."},
        {"empty subject is not asked about", with([](AdRuleInput& in) { in.subject.clear(); }), nullptr},
        {"SMS ignores the subject", with([](AdRuleInput& in) {
             in.lms = false;
             in.subject = "x";
         }),
         nullptr},
        {"message without the mark", with([](AdRuleInput& in) { in.message = in.message.substr(6); }),
         "메시지는 \"(광고)\" 문구로 시작해야 합니다."},
        {"no store name", with([](AdRuleInput& in) { in.storeName = K("다솜마트"); }),
         "메시지에 매장상호(다솜마트)가 들어가야 합니다."},
        {"no store phone", with([](AdRuleInput& in) { in.storePhone = "031-111-2222"; }),
         "메시지에 매장전화번호(031-111-2222)가 들어가야 합니다."},
        {"phone without hyphens in the message",
         with([](AdRuleInput& in) { in.message = K("(광고)행복마트 0212345678 무료거부 0801234567"); }),
         nullptr},
        {"stored phone without hyphens", with([](AdRuleInput& in) { in.storePhone = "0212345678"; }),
         nullptr},
        {"no refusal wording",
         with([](AdRuleInput& in) { in.message = K("(광고)행복마트 02-1234-5678 거부 080-123-4567"); }),
         "메시지에 \"무료수신거부\" 또는 \"무료거부\" 문구가 들어가야 합니다."},
        {"no opt-out number", with([](AdRuleInput& in) { in.optOutNumber = "080-999-9999"; }),
         "메시지에 수신동의 철회용 전화번호(080-999-9999)가 들어가야 합니다."},
        {"empty opt-out number is not a pass", with([](AdRuleInput& in) { in.optOutNumber.clear(); }),
         "메시지에 수신동의 철회용 전화번호()가 들어가야 합니다."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const int answer : {IDYES, IDNO}) {
            ScriptedMessages boxes;
            boxes.setNextAnswer(answer);
            const bool goesOn = CheckAdRules(r.input);
            if (!r.question) {
                EXPECT_TRUE(goesOn);
                EXPECT_TRUE(boxes.shown().empty());
                continue;
            }
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, r.question + goOn);
            EXPECT_EQ(boxes.shown()[0].type, kQuestionNoDefault);
            EXPECT_EQ(goesOn, answer == IDYES);
        }
    }

    // Yes to one rule goes on to the next; No there stops.
    ScriptedMessages boxes;
    boxes.setNextAnswer(IDYES);
    boxes.setNextAnswer(IDNO);
    AdRuleInput bare = good;
    bare.message = "hello";
    EXPECT_FALSE(CheckAdRules(bare));
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "메시지에 매장상호(행복마트)가 들어가야 합니다." + goOn);
}

TEST(AdRules, MatchesOnlyWholeCharacters) {
    // "가나" is B0 A1 B3 AA: "A1B3" inside must not count as a character.
    const std::string text = K("가나");
    EXPECT_TRUE(ContainsText(text, K("나")));
    EXPECT_FALSE(ContainsText(text, text.substr(1, 2)));
    EXPECT_FALSE(ContainsText(text, ""));
    // Extended syllables have ASCII letters for trail bytes: "똠" is 8C 63, "갂" 81 41.
    EXPECT_FALSE(ContainsText(K("똠"), "c"));
    EXPECT_FALSE(ContainsText(K("갂갂"), "A"));
    EXPECT_FALSE(ContainsText(K("뷁똠"), "\xEE\x8C"));
    EXPECT_TRUE(ContainsText(K("똠c"), "c"));
}

TEST(Targets, CheckedRowsSplitBetweenSmsAndApp) {
    RecipientList list;
    ASSERT_EQ(list.AddRecipient(1, "a", "01011110001", "", "", "2026-12-06 10:00"), 0);
    ASSERT_EQ(list.AddRecipient(2, "b", "01011110002", "", "", "2026-11-01 10:00"), 0);
    ASSERT_EQ(list.AddRecipient(3, "c", "01011110003", "", "", ""), 0);
    ASSERT_EQ(list.AddRecipient(4, "d", "***01011110004", "", "", "2026-12-05"), 1);

    const QDate today(2026, 12, 6);
    EXPECT_EQ(SignalLimitDate(today, 3), "2026-12-03");
    EXPECT_EQ(SignalLimitDate(today, 0), "2026-12-06");
    EXPECT_EQ(SignalLimitDate(today, -1), "");

    EXPECT_EQ(ApplySignalFilter(list, SignalLimitDate(today, 3)), 2);
    EXPECT_TRUE(list[0].appUser);
    EXPECT_FALSE(list[1].appUser);
    EXPECT_FALSE(list[2].appUser);
    EXPECT_TRUE(list[3].appUser);
    EXPECT_EQ(ApplySignalFilter(list, SignalLimitDate(today, -1)), 3) << "every full date counts";

    ApplySignalFilter(list, SignalLimitDate(today, 3));
    TargetCounts counts = RecountTargets(list, false);
    EXPECT_EQ(counts.sms, 3) << "the unchecked three-failure row goes nowhere";
    EXPECT_EQ(counts.app, 0);
    counts = RecountTargets(list, true);
    EXPECT_EQ(counts.sms, 2);
    EXPECT_EQ(counts.app, 1);
    EXPECT_TRUE(list[0].byApp);
    EXPECT_FALSE(list[0].bySms);
    EXPECT_FALSE(list[3].byApp) << "unchecked";
    list[3].checked = true;
    counts = RecountTargets(list, true);
    EXPECT_EQ(counts.app, 2);
}

} // namespace
