// Where the send's journal lives and what becomes of an end whose reply was lost: a journal written to
// the user's state folder when the host folder cannot be written, no end posted without its entry on
// disk, the draft kept from the moment a send begins, the result receipt settling unknown ends and
// collecting their results, a refused repeated end left to the clerk, and a window whose own send
// another program settled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QTemporaryDir>

#include "center/send/sendrecord.h"
#include "center/send/sendstate.h"
#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "results/resultreceiver.h"
#include "sim/faultplan.h"
#include "tests/sms/sendfixture.h"
#include "text/codec.h"

using zmsg::sim::FaultKind;

namespace {

const char* const kLostEnd =
    "센터에서 전송완료 응답을 수신할 수 없습니다.(통신실패)\n\n콜센터로 연락바랍니다.\n☎ 1600-0000\n\n"
    "전송 버튼을 다시 누르면 먼저 이 전송의 결과를 센터에 확인하며, 두 번 발송하지 않습니다.";

// An environment variable set for the length of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        m_had = std::getenv(name) != nullptr;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The journal's entries as the file on disk holds them (not as this process remembers them).
std::vector<PendingSend> OnDisk(const std::string& path) {
    std::vector<PendingSend> sends;
    if (!std::filesystem::exists(path) || !SendState::Parse(ReadAll(path), sends))
        sends.clear();
    return sends;
}

class SendSettle : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_f.ok()); }

    // The center ends the send and its reply is lost; the two tries after it reach nobody.
    void LoseEndReply() {
        m_f.Arm("SMSEND", 1, FaultKind::CloseAfter);
        m_f.Arm("SMSEND", 2, FaultKind::CloseBefore);
        m_f.Arm("SMSEND", 3, FaultKind::CloseBefore);
    }
    int Count(const std::string& verb) { return m_f.fx().sim().Requests().Count(verb); }

    SendFixture m_f;
};

TEST_F(SendSettle, JournalGoesWhereItCanBeWrittenAndNoEndWithoutIt) {
    QTemporaryDir state;
    ASSERT_TRUE(state.isValid());
    const std::string hostDir = g_strHostDir;

    // An installed program: its folder cannot be written. The journal goes to the user's state
    // folder, and the lost end is on disk there, for the next process.
    {
        ScopedEnv xdg("XDG_STATE_HOME", state.path().toStdString());
        g_strHostDir = hostDir + "missing/folder/";
        ASSERT_TRUE(m_f.NewStore(50));
        LoseEndReply();
        const SmsSendResult lost = m_f.Send(m_f.Input(20));
        EXPECT_EQ(lost.outcome, SmsSendOutcome::Unresolved);
        const std::string journal = state.path().toStdString() + "/zmsg/ZMSGSEND.dat";
        EXPECT_EQ(SendStatePath(), journal);
        const auto sends = OnDisk(journal);
        ASSERT_EQ(sends.size(), 1u);
        EXPECT_EQ(sends[0].phase, PendingSend::Phase::Unknown);
        EXPECT_EQ(sends[0].centerCode, lost.centerCode);
        EXPECT_EQ(sends[0].recipients.size(), 20u);
        // The next press settles it from there; nobody is charged twice.
        const SmsSendResult next = m_f.Send(m_f.Input(20));
        EXPECT_EQ(next.outcome, SmsSendOutcome::PreviousCompleted);
        EXPECT_EQ(next.rowsToRemove.size(), 20u);
        EXPECT_EQ(Count("SMSBEGIN"), 1);
        EXPECT_TRUE(OnDisk(journal).empty());
    }

    // Neither the host folder nor a state folder can be written: refused before anything is posted.
    {
        ScopedEnv xdg("XDG_STATE_HOME", "/dev/null/state");
        g_strHostDir = hostDir + "missing/folder/";
        ASSERT_TRUE(m_f.NewStore(50));
        const SmsSendResult refused = m_f.Send(m_f.Input(20));
        EXPECT_EQ(refused.outcome, SmsSendOutcome::Refused);
        EXPECT_EQ(m_f.boxes().texts(),
                  std::vector<std::string>{
                      "전송상태 파일(ZMSGSEND.dat)을 기록할 폴더가 없어 문자를 보낼 수 없습니다.\n"
                      "프로그램 폴더나 사용자 상태 폴더(~/.local/state/zmsg)에 쓰기 권한이 있어야 "
                      "합니다.\n(통신이 끊겼을 때 같은 문자가 두 번 발송되고 요금이 두 번 부과되지 "
                      "않도록 하는 파일입니다.)"});
        EXPECT_TRUE(m_f.fx().sim().Requests().All().empty());
    }
    g_strHostDir = hostDir;

    // The folder can be written but the journal itself cannot (here: a folder stands in its place).
    // The batches went out, the end is not posted: nothing goes out, nothing is charged, and the user
    // is told so.
    ASSERT_TRUE(m_f.NewStore(50));
    const std::string journal = hostDir + "ZMSGSEND.dat";
    std::filesystem::create_directories(journal + "/in-the-way");
    const SmsSendResult kept = m_f.Send(m_f.Input(20));
    EXPECT_EQ(kept.outcome, SmsSendOutcome::Failed);
    EXPECT_EQ(Count("SMSLIST"), 1);
    EXPECT_EQ(Count("SMSEND"), 0);
    ASSERT_FALSE(m_f.boxes().texts().empty());
    EXPECT_EQ(m_f.boxes().texts().back(),
              "전송상태 파일을 기록할 수 없어 센터에 전송완료를 요청하지 않았습니다.\n"
              "문자는 발송되지 않았고 요금도 부과되지 않았습니다.\n"
              "디스크 공간과 폴더 권한을 확인하신 후 다시 전송해 주십시오.\n(" +
                  journal + ")");
    EXPECT_EQ(m_f.Center().balance, 5000);
    EXPECT_TRUE(m_f.History().empty());
    // Once the journal can be written, the next send begins afresh: nothing was left to settle.
    std::filesystem::remove_all(journal);
    EXPECT_EQ(m_f.Send(m_f.Input(20)).outcome, SmsSendOutcome::Sent);
    EXPECT_EQ(Count("SMSBEGIN"), 2);
    EXPECT_EQ(Count("SMSEND"), 1);
}

// A crash or a kill in the middle of a send: the message being written is on disk, as unsent.
TEST_F(SendSettle, DraftIsKeptWhenTheSendBegins) {
    ASSERT_TRUE(m_f.NewStore(50));
    std::remove(SmsDraftPath().c_str());
    std::optional<SmsDraft> duringSend;
    ProgressHooks progress;
    progress.show = [&](bool, const std::string& text) {
        if (!duringSend && text.find(zmsg::K("데이터를 센터로 보내는 중")) != std::string::npos)
            duringSend = LoadSmsDraft(SmsDraftPath());
    };
    SmsSendInput input = m_f.Input(20);
    SmsSendTransaction t(m_f.db(), input, progress);
    EXPECT_EQ(t.Run().outcome, SmsSendOutcome::Sent);
    ASSERT_TRUE(duringSend.has_value());
    EXPECT_EQ(duringSend->sendResult, 0);
    EXPECT_EQ(duringSend->message, input.message);
    EXPECT_EQ(duringSend->callback, input.callbackField);
    // Completed, it is marked sent.
    const auto after = LoadSmsDraft(SmsDraftPath());
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->sendResult, 1);

    // A send refused by a check has not begun: the draft stays as it was.
    SmsSendInput empty = m_f.Input(20);
    empty.message = " ";
    empty.draft.message = " ";
    EXPECT_EQ(m_f.Send(empty).outcome, SmsSendOutcome::Refused);
    EXPECT_EQ(LoadSmsDraft(SmsDraftPath())->message, input.message);
}

// A store that does not send again still learns about a lost end: the receipt settles it with the same
// end request, writes its history at its own time and collects its results in the same run.
TEST_F(SendSettle, ReceiptSettlesUnknownEndsFirst) {
    ASSERT_TRUE(m_f.NewStore(50));
    zmsg::Clock::setFixed(QDateTime::currentDateTime().addDays(-2));
    LoseEndReply();
    const SmsSendResult lost = m_f.Send(m_f.Input(30));
    zmsg::Clock::setFixed(QDateTime());
    ASSERT_EQ(lost.outcome, SmsSendOutcome::Unresolved);
    ASSERT_TRUE(m_f.History().empty());
    m_f.fx().sim().Requests().Clear();
    m_f.boxes().clear();

    CResultReceiver receipt(&m_f.db(), 0);
    EXPECT_EQ(receipt.Run(), 1);
    EXPECT_TRUE(m_f.boxes().texts().empty());
    const auto requests = m_f.fx().sim().Requests().All();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].verb, "SMSEND");
    EXPECT_EQ(zmsg::sim::FieldOf(requests[0].fields, "ss"), std::to_string(lost.centerCode));
    EXPECT_EQ(Count("SMSBEGIN"), 0);
    const auto history = m_f.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].center, lost.centerCode);
    EXPECT_EQ(history[0].listRows, 30);
    EXPECT_EQ(history[0].result, 1); // its results were collected
    EXPECT_EQ(history[0].trfail, 3);
    EXPECT_EQ(m_f.MemberCel(28), "*" + SendFixture::PhoneOf(27));
    SendState journal(SendStatePath());
    journal.Load();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(m_f.Center().ended, 1);
}

// The center refuses to end again what it already ended. That refusal proves nothing: the send stays,
// the reason is shown, and the clerk settles it after looking at the sending history.
TEST_F(SendSettle, RefusedRepeatedEndIsLeftToTheClerk) {
    const std::string reason = "이미 완료된 전송입니다.(ss=5001)";
    const std::string logFolder = g_strHostDir + "Log";
    std::filesystem::create_directories(logFolder);
    // The day's log, as the clerk's supervisor would read it.
    auto log = [&] {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(logFolder))
            all += ReadAll(entry.path().string());
        return all;
    };
    const std::vector<std::pair<int, std::string>> logged = {
        {IDCANCEL, "이전 전송 수동 정리 보류(SS=5001, 사원=1)"},
        {IDYES, "이전 전송 수동 정리: 발송됨(SS=5001, 사원=1)"},
        {IDNO, "이전 전송 수동 정리: 발송되지 않음(SS=5001, 사원=1)"}};
    for (const auto& [answer, line] : logged) {
        SCOPED_TRACE(answer);
        ASSERT_TRUE(m_f.NewStore(50));
        m_f.fx().sim().Center().SetRefuseRepeatedEnd(true);
        // The first try is ended and its reply lost; the second is refused.
        m_f.Arm("SMSEND", 1, FaultKind::CloseAfter);
        const SmsSendResult first = m_f.Send(m_f.Input(20));
        EXPECT_EQ(first.outcome, SmsSendOutcome::Disputed);
        ASSERT_TRUE(first.unsettled.has_value());
        EXPECT_EQ(first.unsettled->centerCode, 5001);
        EXPECT_TRUE(first.rowsToRemove.empty());
        const std::string disputeText =
            "완료응답을 받지 못했던 SMS 전송(20건)의 완료 요청을 센터가 거절했습니다.\n\n☞ " + reason +
            "\n\n이미 발송된 전송일 수 있으므로 새 전송은 시작하지 않습니다.\n전송내역 화면에서 이 전송이 "
            "발송되었는지 확인하신 후, 전송 버튼을 다시 눌러 정리해 주십시오.";
        EXPECT_EQ(m_f.boxes().texts(), std::vector<std::string>{disputeText});
        auto sends = OnDisk(SendStatePath());
        ASSERT_EQ(sends.size(), 1u);
        EXPECT_EQ(sends[0].phase, PendingSend::Phase::Disputed);
        EXPECT_EQ(sends[0].reason, zmsg::K(reason));

        // The receipt cannot settle it either: it leaves it to the clerk, quietly.
        m_f.boxes().clear();
        CResultReceiver receipt(&m_f.db(), 0);
        EXPECT_EQ(receipt.Run(), 1);
        EXPECT_TRUE(m_f.boxes().texts().empty());
        EXPECT_EQ(Count("SMSEND"), 2);
        EXPECT_EQ(OnDisk(SendStatePath()).size(), 1u);

        // The next press asks the clerk, and posts nothing before the answer.
        m_f.boxes().clear();
        m_f.boxes().setNextAnswer(answer);
        const SmsSendResult settled = m_f.Send(m_f.Input(25));
        ASSERT_FALSE(m_f.boxes().shown().empty());
        const ShownMessage& question = m_f.boxes().shown()[0];
        EXPECT_EQ(question.type, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3));
        EXPECT_EQ(question.text.rfind("완료 여부가 확인되지 않은 이전 SMS 전송이 있습니다.\n(전송시각 ", 0),
                  0u);
        EXPECT_NE(question.text.find("20건, 센터 전송코드 5001)\n센터 응답: " + reason +
                                     "\n\n전송내역 화면에서 이 전송이 발송되었습니까?\n\n"
                                     "예: 발송되었음 - 전송내역에 기록하고 그 대상을 리스트에서 "
                                     "삭제합니다.\n아니오: 발송되지 않았음 - 이 전송을 정리합니다. 그 "
                                     "뒤에 다시 전송할 수 있습니다.\n취소: 아직 모름 - 그대로 두고 다음 "
                                     "전송 때 다시 묻습니다."),
                  std::string::npos)
            << question.text;
        EXPECT_EQ(Count("SMSBEGIN"), 1);
        EXPECT_EQ(Count("SMSEND"), 2);
        EXPECT_NE(log().find(zmsg::K(line)), std::string::npos) << line;
        if (answer == IDCANCEL) {
            EXPECT_EQ(settled.outcome, SmsSendOutcome::Disputed);
            EXPECT_EQ(m_f.boxes().shown().size(), 1u);
            EXPECT_EQ(OnDisk(SendStatePath()).size(), 1u);
            EXPECT_TRUE(m_f.History().empty());
        } else if (answer == IDYES) {
            EXPECT_EQ(settled.outcome, SmsSendOutcome::PreviousCompleted);
            EXPECT_EQ(settled.rowsToRemove.size(), 20u);
            EXPECT_FALSE(settled.unsettled.has_value());
            EXPECT_EQ(m_f.boxes().texts().back(), "이전 SMS 전송을 발송된 것으로 정리했습니다.(20건)\n전송된 "
                                                  "대상은 리스트에서 삭제합니다.\n남은 대상은 다시 "
                                                  "전송해 주십시오.");
            ASSERT_EQ(m_f.History().size(), 1u);
            EXPECT_EQ(m_f.History()[0].listRows, 20);
            EXPECT_TRUE(OnDisk(SendStatePath()).empty());
        } else {
            EXPECT_EQ(settled.outcome, SmsSendOutcome::PreviousDropped);
            EXPECT_TRUE(settled.rowsToRemove.empty());
            EXPECT_FALSE(settled.unsettled.has_value());
            EXPECT_EQ(m_f.boxes().texts().back(),
                      "이전 SMS 전송을 발송되지 않은 것으로 정리했습니다.\n보내실 대상을 확인하신 후 "
                      "전송 버튼을 다시 눌러 주십시오.");
            EXPECT_TRUE(m_f.History().empty());
            EXPECT_TRUE(OnDisk(SendStatePath()).empty());
            // The next press sends.
            EXPECT_EQ(m_f.Send(m_f.Input(25)).outcome, SmsSendOutcome::Sent);
            EXPECT_EQ(Count("SMSBEGIN"), 2);
        }
    }
}

// Two programs met the same end: one was answered and wrote the history, the other was refused. The
// history's word comes first: nobody is asked, nothing is posted or written again.
TEST_F(SendSettle, DisputedSendTheHistoryHoldsIsSettledQuietly) {
    ASSERT_TRUE(m_f.NewStore(50));
    m_f.fx().sim().Center().SetRefuseRepeatedEnd(true);
    m_f.Arm("SMSEND", 1, FaultKind::CloseAfter);
    ASSERT_EQ(m_f.Send(m_f.Input(20)).outcome, SmsSendOutcome::Disputed);
    {
        SendState other(SendStatePath());
        other.Load();
        PendingSend s = *other.Find(5001);
        s.callSent = 20;
        ASSERT_EQ(RecordSend(m_f.db(), s, true).step, RecordStep::Done);
    }
    m_f.boxes().clear();
    const SmsSendResult next = m_f.Send(m_f.Input(20));
    EXPECT_EQ(next.outcome, SmsSendOutcome::PreviousCompleted);
    EXPECT_EQ(next.rowsToRemove.size(), 20u);
    EXPECT_EQ(m_f.boxes().texts(), std::vector<std::string>{"완료응답을 받지 못했던 이전 SMS 전송이 센터에서 "
                                                            "완료되었습니다.(20건)\n전송된 대상은 리스트에서 "
                                                            "삭제합니다."});
    EXPECT_EQ(Count("SMSEND"), 2);
    EXPECT_EQ(m_f.History().size(), 1u);
    EXPECT_TRUE(OnDisk(SendStatePath()).empty());
}

// A window whose send another program settled: at its next press it finds out how, from the history
// or from the center with the same end request, and sends nobody the message twice.
TEST_F(SendSettle, OwnSendSettledElsewhereIsNotSentAgain) {
    for (const bool recorded : {true, false}) {
        SCOPED_TRACE(recorded);
        ASSERT_TRUE(m_f.NewStore(50));
        LoseEndReply();
        SmsSendInput input = m_f.Input(10);
        const SmsSendResult lost = m_f.Send(input);
        ASSERT_EQ(lost.outcome, SmsSendOutcome::Unresolved);
        ASSERT_TRUE(lost.unsettled.has_value());
        EXPECT_EQ(m_f.boxes().texts().back(), kLostEnd);

        // Another program settles it: it asks the center, writes the history (or, here, leaves
        // that to its database), and removes the journal's entry.
        {
            SendState other(SendStatePath());
            other.Load();
            ASSERT_NE(other.Find(lost.centerCode), nullptr);
            if (recorded) {
                PendingSend s = *other.Find(lost.centerCode);
                s.callSent = 10;
                ASSERT_EQ(RecordSend(m_f.db(), s, true).step, RecordStep::Done);
            }
            other.Remove(lost.centerCode);
            ASSERT_TRUE(other.Save());
        }
        m_f.boxes().clear();
        input.ownUnsettled = lost.unsettled;
        const SmsSendResult next = m_f.Send(input);
        EXPECT_EQ(next.outcome, SmsSendOutcome::PreviousCompleted);
        EXPECT_EQ(next.rowsToRemove.size(), 10u);
        EXPECT_FALSE(next.unsettled.has_value());
        EXPECT_EQ(Count("SMSBEGIN"), 1);
        EXPECT_EQ(Count("SMSEND"), recorded ? 3 : 4);
        ASSERT_EQ(m_f.History().size(), 1u);
        EXPECT_EQ(m_f.History()[0].listRows, 10);
        EXPECT_EQ(m_f.Center().ended, 1);
        EXPECT_EQ(m_f.Center().balance, 4990);
        EXPECT_TRUE(OnDisk(SendStatePath()).empty());
    }
}

} // namespace
