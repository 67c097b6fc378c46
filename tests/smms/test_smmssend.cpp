// The app-message send against the simulated center: batches, merge fields, the all-members option,
// the checks with their texts and focus, the picture uploaded or named from the image box, and what
// the history keeps.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "center/vexglobal.h"
#include "frame/clock.h"
#include "sim/formdata.h"
#include "smms/uploadfile.h"
#include "tests/smms/smmssendcheck.h"
#include "tests/smms/testimages.h"
#include "text/codec.h"

using zmsg::sim::FieldOf;

namespace {

class SmmsSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_f.ok());
        ASSERT_TRUE(m_f.NewStore(250));
    }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }

    std::vector<zmsg::sim::RecordedRequest> Requests(const std::string& verb) {
        std::vector<zmsg::sim::RecordedRequest> out;
        for (auto& r : m_f.fx().sim().Requests().All())
            if (r.verb == verb)
                out.push_back(std::move(r));
        return out;
    }

    SendFixture m_f;
};

TEST_F(SmmsSendTest, BatchesOfAHundredAndTheHistoryWithMaskedNumbers) {
    for (const int count : {100, 101}) {
        SCOPED_TRACE(count);
        ASSERT_TRUE(m_f.NewStore(250));
        const SmmsSendResult r = SendSmms(m_f, SampleSmmsSend(count));
        ASSERT_EQ(r.outcome, SmmsSendOutcome::Sent);
        EXPECT_EQ(m_f.boxes().texts(),
                  std::vector<std::string>{std::to_string(count) +
                                           "명에게 AlderS 문자를 전송했습니다.\n\n확인을 누르시면 AlderS "
                                           "문자 전송창을 닫습니다."});
        EXPECT_EQ(r.callSent, count);
        EXPECT_EQ(r.rowsSent.size(), static_cast<size_t>(count));
        // The message number is beyond 32 bits and goes through every request and row whole.
        EXPECT_GT(r.ml, 4294967296LL);
        const auto begins = Requests("SMMSBEGIN");
        ASSERT_EQ(begins.size(), 1u);
        EXPECT_EQ(FieldOf(begins[0].fields, "call"), std::to_string(count));
        EXPECT_EQ(FieldOf(begins[0].fields, "mt"), "1");
        EXPECT_EQ(FieldOf(begins[0].fields, "ss"), "0");
        EXPECT_EQ(FieldOf(begins[0].fields, "cb"), "0212345678");
        EXPECT_EQ(FieldOf(begins[0].fields, "ename"), "김점장");
        const auto trans = Requests("SMMSTRAN");
        ASSERT_EQ(trans.size(), count == 100 ? 1u : 2u);
        EXPECT_EQ(FieldOf(trans[0].fields, "seq"), "1");
        EXPECT_EQ(FieldOf(trans[0].fields, "ml"), std::to_string(r.ml));
        if (count == 101) {
            EXPECT_EQ(FieldOf(trans[1].fields, "seq"), "2");
            EXPECT_EQ(FieldOf(trans[1].fields, "tran"), "}{" + SendFixture::PhoneOf(100));
        }
        const auto ends = Requests("SMMSEND");
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(FieldOf(ends[0].fields, "alluser"), "0");
        EXPECT_EQ(FieldOf(ends[0].fields, "m2date"), "-1");
        EXPECT_TRUE(Requests("UPLOAD").empty());

        const auto history = AppHistoryOf(m_f);
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].code, r.localCode);
        EXPECT_EQ(history[0].ml, r.ml);
        EXPECT_EQ(history[0].count, count);
        EXPECT_EQ(history[0].listRows, count);
        EXPECT_EQ(history[0].center, 0);
        std::vector<std::vector<std::string>> rows;
        m_f.db().DoQuery("SELECT sl_seq, sl_ref, sl_phone, sl_key FROM smslist ORDER BY sl_seq", rows);
        ASSERT_EQ(rows.size(), static_cast<size_t>(count));
        EXPECT_EQ(rows[0][0], "1");
        EXPECT_EQ(rows[0][1], "1");
        // Stored masked, with the key that restores it.
        EXPECT_NE(rows[0][2], SendFixture::PhoneOf(0));
        EXPECT_NE(rows[0][2].find("xx"), std::string::npos);
        EXPECT_NE(rows[0][3], "-1");
        SendState state(SendStatePath());
        state.Load();
        EXPECT_TRUE(state.empty());
    }
}

TEST_F(SmmsSendTest, MergeFieldsCarryOnlyTheCellsTheBodyUses) {
    SmmsSendInput in = SampleSmmsSend(2);
    in.body = zmsg::K("{회원명}님 안녕하세요");
    ASSERT_EQ(SendSmms(m_f, in).outcome, SmmsSendOutcome::Sent);
    EXPECT_EQ(FieldOf(Requests("SMMSTRAN").at(0).fields, "tran"),
              "}{" + SendFixture::PhoneOf(0) + "|회원1|}{" + SendFixture::PhoneOf(1) + "|회원2|");

    ASSERT_TRUE(m_f.NewStore(250));
    in.body = zmsg::K("적립 포인트 {포인트}점");
    in.rows[1].points = "1,2|3}{4";
    ASSERT_EQ(SendSmms(m_f, in).outcome, SmmsSendOutcome::Sent);
    // The separators inside a cell cannot break the list.
    EXPECT_EQ(FieldOf(Requests("SMMSTRAN").at(0).fields, "tran"),
              "}{" + SendFixture::PhoneOf(0) + "||0}{" + SendFixture::PhoneOf(1) + "||1,2@$$@3$@@$4");
}

TEST_F(SmmsSendTest, AllMembersWithoutRows) {
    SmmsSendInput in = SampleSmmsSend(0);
    in.allMembers = true;
    // The period must be chosen, and merge fields cannot reach members the store did not list.
    SmmsSendResult r = SendSmms(m_f, in);
    EXPECT_EQ(r.outcome, SmmsSendOutcome::Refused);
    EXPECT_EQ(r.focus, 2008);
    EXPECT_EQ(r.shown.at(0), zmsg::K("센터 단골회원 전체에게 전송하려면 모바일 접속기간을 선택해 주세요."));
    in.mobileDays = 30;
    in.body = zmsg::K("{회원명}님");
    r = SendSmms(m_f, in);
    EXPECT_EQ(r.focus, 2026);
    EXPECT_EQ(r.shown.at(0),
              zmsg::K("센터 단골회원 전체에게 전송할 때에는 머지기능을 사용하실 수 없습니다."));
    EXPECT_TRUE(Requests("SMMSBEGIN").empty());

    in.body = zmsg::K("(광고)전체 안내");
    r = SendSmms(m_f, in);
    ASSERT_EQ(r.outcome, SmmsSendOutcome::Sent);
    EXPECT_EQ(FieldOf(Requests("SMMSBEGIN").at(0).fields, "call"), "0");
    EXPECT_TRUE(Requests("SMMSTRAN").empty());
    const auto ends = Requests("SMMSEND");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(FieldOf(ends[0].fields, "alluser"), "1");
    EXPECT_EQ(FieldOf(ends[0].fields, "m2date"), "30");
    if (r.allUser > 0) {
        EXPECT_EQ(r.shown.back(), zmsg::K("센터에만 등록된 단골회원 ") +
                                      CvexGlobal::GetMoneyString(r.allUser) + zmsg::K("명을 포함한 ") +
                                      CvexGlobal::GetMoneyString(r.callSent) +
                                      zmsg::K("명에게 AlderS 문자를 전송했습니다.\n\n확인을 누르시면 AlderS "
                                              "문자 전송창을 닫습니다."));
    }
    const auto history = AppHistoryOf(m_f);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].listRows, 0); // members reached through the option get no list row

    // Without the option, a list with no checked row is refused.
    SmmsSendInput none = SampleSmmsSend(3);
    for (SmmsRow& row : none.rows)
        row.checked = false;
    r = SendSmms(m_f, none);
    EXPECT_EQ(r.outcome, SmmsSendOutcome::Refused);
    EXPECT_EQ(r.shown.at(0), zmsg::K("전송대상을 지정해 주십시오."));
}

TEST_F(SmmsSendTest, ChecksInOrderWithTheirTextsAndFocus) {
    struct Case {
        const char* name;
        std::function<void(SmmsSendInput&)> change;
        std::string text;
        int focus;
    };
    const std::string title = "1 ~ 100자 (한글50자) 이내로 제목을 입력해 주십시오.";
    const std::string body = "1 ~ 2000자 (한글1000자) 이내로 메시지를 입력해 주십시오.";
    const std::string callback = "1 ~ 20자 이내로 발신자 번호를 입력해 주십시오.";
    const std::vector<Case> cases = {
        {"blank title", [](SmmsSendInput& in) { in.title = "   "; }, title, 2036},
        {"title of 101 bytes", [](SmmsSendInput& in) { in.title = std::string(101, 'a'); }, title, 2036},
        {"empty body", [](SmmsSendInput& in) { in.body = " \n "; }, body, 2026},
        {"body of 2001 bytes", [](SmmsSendInput& in) { in.body = std::string(2001, 'a'); }, body, 2026},
        {"no callback digits", [](SmmsSendInput& in) { in.callbackField = "--"; }, callback, 2034},
        {"21 callback digits", [](SmmsSendInput& in) { in.callbackField = std::string(21, '1'); }, callback,
         2034},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmmsSendInput in = SampleSmmsSend(3);
        c.change(in);
        const SmmsSendResult r = SendSmms(m_f, in);
        EXPECT_EQ(r.outcome, SmmsSendOutcome::Refused);
        EXPECT_EQ(r.shown, std::vector<std::string>{zmsg::K(c.text)});
        EXPECT_EQ(r.focus, c.focus);
    }
    // 100 title bytes and 2000 body bytes go.
    SmmsSendInput in = SampleSmmsSend(3);
    in.title = std::string(100, 'a');
    in.body = std::string(2000, 'b') + "   ";
    EXPECT_EQ(SendSmms(m_f, in).outcome, SmmsSendOutcome::Sent);
    EXPECT_TRUE(Requests("SMMSBEGIN").size() == 1u);
}

TEST_F(SmmsSendTest, TagsInTitleOrBodyAndThePopupRange) {
    const std::string tagTail =
        "형식이 있습니다.\n형식을 변경하셔야 발송가능합니다.\n예) \"< 알파벳\", \"<-알파벳\"";
    SmmsSendInput in = SampleSmmsSend(3);
    in.title = "<b>sale";
    SmmsSendResult r = SendSmms(m_f, in);
    EXPECT_EQ(r.shown, std::vector<std::string>{zmsg::K("제목에 \"<알파벳\" " + tagTail)});
    EXPECT_EQ(r.focus, 2036);
    EXPECT_EQ(r.caret, 0);
    in = SampleSmmsSend(3);
    in.body = zmsg::K("첫 줄\n<a href");
    r = SendSmms(m_f, in);
    EXPECT_EQ(r.shown, std::vector<std::string>{zmsg::K("메세지에 \"<알파벳\" " + tagTail)});
    EXPECT_EQ(r.focus, 2026);
    EXPECT_EQ(r.caret, 6); // CP949 bytes: a syllable, a blank, a syllable, the line break

    // The popup time: from one hour to seven whole days ahead. A tag in the title stops each send
    // right after the popup check, so an accepted time shows the tag's text.
    const QDateTime now(QDate(2026, 3, 2), QTime(10, 0));
    zmsg::Clock::setFixed(now);
    const std::string popup = "팝업예약일시는 현재시간보다 1시간 후부터 ~ 7일 이내로 설정해 주십시오.";
    const struct {
        qint64 ahead;
        bool ok;
    } times[] = {
        {-60, false}, {59 * 60, false}, {3600, true}, {7 * 86400 + 23 * 3600, true}, {8 * 86400, false}};
    for (const auto& t : times) {
        SCOPED_TRACE(t.ahead);
        in = SampleSmmsSend(3);
        in.title = "<x";
        in.popup = now.addSecs(t.ahead);
        r = SendSmms(m_f, in);
        EXPECT_EQ(r.shown.at(0).rfind(zmsg::K(t.ok ? "제목에" : popup), 0), 0u);
    }
    EXPECT_TRUE(Requests("SMMSBEGIN").empty());

    // A blank or a hyphen after "<" is no tag: it goes, escaped, with the popup time.
    in = SampleSmmsSend(3);
    in.title = "< b <-c";
    in.body = "x<1 > y";
    in.popup = now.addSecs(2 * 3600);
    ASSERT_EQ(SendSmms(m_f, in).outcome, SmmsSendOutcome::Sent);
    const auto begin = Requests("SMMSBEGIN").at(0);
    EXPECT_EQ(FieldOf(begin.fields, "tt"), "_lt;_ b _lt;_-c");
    EXPECT_EQ(FieldOf(begin.fields, "msg"), "x_lt;_1 _gt;_ y");
    EXPECT_EQ(FieldOf(begin.fields, "pop"), "2026-03-02 12:00");
}

TEST_F(SmmsSendTest, PictureUploadedOrNamedFromTheImageBox) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The window's own file, under a name of its own: the center still hears the one name.
    const QString path = dir.filePath(QStringLiteral("Alder_SMMS_Upload_a1b2c3.jpg"));
    const QByteArray jpeg = testimages::Jpeg(testimages::Quadrants(64, 48));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(jpeg);
    }
    SmmsSendInput in = SampleSmmsSend(5);
    in.imagePath = path.toStdString();
    SmmsSendResult r = SendSmms(m_f, in);
    ASSERT_EQ(r.outcome, SmmsSendOutcome::Sent);
    auto uploads = m_f.fx().sim().Center().Smms().Uploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_TRUE(uploads[0].hasFile);
    EXPECT_EQ(uploads[0].fileName, zmsg::kSmmsUploadName);
    EXPECT_EQ(uploads[0].size, static_cast<size_t>(jpeg.size()));
    EXPECT_EQ(uploads[0].extinfo, std::to_string(r.ml) + "#@#0#@#0");
    auto messages = AppMessages(m_f);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].pictures, 1);
    EXPECT_EQ(messages[0].imageBytes, jpeg.toStdString());
    // The upload comes between the begin and the first batch.
    const auto all = m_f.fx().sim().Requests().All();
    std::vector<std::string> order;
    for (const auto& q : all)
        if (!q.verb.empty())
            order.push_back(q.verb);
    EXPECT_EQ(order, (std::vector<std::string>{"SMMSBEGIN", "UPLOAD", "SMMSTRAN", "SMMSEND"}));

    // An image-box picture: no file part, the box and image numbers name it.
    ASSERT_TRUE(m_f.NewStore(250));
    in = SampleSmmsSend(5);
    in.imageBox = 1;
    in.imageNumber = 2;
    r = SendSmms(m_f, in);
    ASSERT_EQ(r.outcome, SmmsSendOutcome::Sent);
    uploads = m_f.fx().sim().Center().Smms().Uploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_FALSE(uploads[0].hasFile);
    EXPECT_EQ(uploads[0].extinfo, std::to_string(r.ml) + "#@#1#@#2");
    EXPECT_EQ(AppMessages(m_f).at(0).imageBox, 1);

    // A picture file that is gone stops the send before any recipient is sent.
    ASSERT_TRUE(m_f.NewStore(250));
    in = SampleSmmsSend(5);
    in.imagePath = dir.filePath(QStringLiteral("gone.jpg")).toStdString();
    r = SendSmms(m_f, in);
    EXPECT_EQ(r.outcome, SmmsSendOutcome::Failed);
    EXPECT_EQ(r.shown,
              std::vector<std::string>{zmsg::K("AlderS 문자 이미지를 전송하지 못했습니다.(통신실패)")});
    EXPECT_TRUE(Requests("SMMSTRAN").empty());
    EXPECT_TRUE(AppHistoryOf(m_f).empty());
}

} // namespace

namespace {

// The journal the SMS send wrote before entries had kinds still loads, as SMS sends; an app message's
// entry keeps its kind, its 64-bit number and its end's values; the same number in two kinds is two
// entries.
TEST(SmmsJournal, KindsWideCodesAndOldFiles) {
    std::vector<PendingSend> old;
    ASSERT_TRUE(SendState::Parse("ZMSGSEND 1\r\n"
                                 "SEND\tU\t5001\t1001\tS\t1\t0\t0\t\t0212345678\t1\t2026-03-02 10:00:00\r\n"
                                 "MSG\thello\r\nR\t3\t01012345678\r\n"
                                 "SEND\tD\t5002\t1001\tL\t1\t0\t0\t\t0212345678\t0\t\tbusy\r\nMSG\tx\r\n"
                                 "END\r\n",
                                 old));
    ASSERT_EQ(old.size(), 2u);
    EXPECT_EQ(old[0].kind, SendKind::Sms);
    EXPECT_EQ(old[0].centerCode, 5001);
    EXPECT_EQ(old[0].sentAt, "2026-03-02 10:00:00");
    EXPECT_EQ(old[0].recipients.size(), 1u);
    EXPECT_EQ(old[1].phase, PendingSend::Phase::Disputed);
    EXPECT_EQ(old[1].reason, "busy");
    EXPECT_TRUE(old[1].lms);

    PendingSend app;
    app.kind = SendKind::App;
    app.centerCode = 4300000123LL;
    app.storeCode = 1001;
    app.allMembers = true;
    app.mobileDays = 30;
    app.allUser = 12;
    app.callback = "0212345678";
    app.recipients = {{5, "01099998888"}};
    PendingSend sms = app;
    sms.kind = SendKind::Sms;
    sms.allMembers = false;
    sms.mobileDays = -1;
    sms.allUser = 0;
    std::vector<PendingSend> back;
    ASSERT_TRUE(SendState::Parse(SendState::Serialize({app, sms}), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].kind, SendKind::App);
    EXPECT_EQ(back[0].centerCode, 4300000123LL);
    EXPECT_TRUE(back[0].allMembers);
    EXPECT_EQ(back[0].mobileDays, 30);
    EXPECT_EQ(back[0].allUser, 12);
    EXPECT_EQ(back[1].kind, SendKind::Sms);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SendState state(dir.filePath(QStringLiteral("ZMSGSEND.dat")).toStdString());
    state.Put(app);
    state.Put(sms);
    ASSERT_TRUE(state.Save());
    SendState again(state.path());
    again.Load();
    EXPECT_EQ(again.sends().size(), 2u);
    ASSERT_NE(again.FindUnknown(SendKind::App), nullptr);
    EXPECT_EQ(again.FindUnknown(SendKind::App)->centerCode, 4300000123LL);
    again.Remove(4300000123LL, SendKind::App);
    EXPECT_EQ(again.Find(4300000123LL, SendKind::App), nullptr);
    EXPECT_NE(again.Find(4300000123LL, SendKind::Sms), nullptr);
    // The end asked again is the same request, whole number included.
    EXPECT_EQ(EndRequestOf(app).body, "work=SMMSEND&mart=1001&ml=4300000123&alluser=1&m2date=30");
    EXPECT_EQ(EndRequestOf(app).path, "/SMMS/AppRequest.ashx");
}

} // namespace
