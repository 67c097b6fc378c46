// The draft file as the next opening of the dialog reads it: exact bytes, line breaks kept, which
// drafts are offered, and files that are missing, foreign or damaged.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "text/codec.h"

using zmsg::K;

namespace {

class SmsDraftTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        g_strHostDir = m_dir.path().toStdString() + "/";
        zmsg::Clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    }
    void TearDown() override {
        zmsg::Clock::setFixed(QDateTime());
        g_strHostDir.clear();
    }
    std::string Bytes() {
        QFile f(QString::fromStdString(SmsDraftPath()));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
    void Write(const std::string& bytes) {
        QFile f(QString::fromStdString(SmsDraftPath()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    QTemporaryDir m_dir;
};

TEST_F(SmsDraftTest, WrittenByteForByteAndReadBack) {
    SmsDraft d;
    d.lms = true;
    d.subject = K("  봄 세일 ");
    d.message = K("첫 줄\r\n둘째 줄\n<끝>   \r\n");
    d.callback = " 02-1234-5678 ";
    d.optOutNumber = "080-123-4567";
    ASSERT_TRUE(SaveSmsDraft(SmsDraftPath(), d, 0));
    EXPECT_EQ(m_dir.path() + QStringLiteral("/ZMSG.dat"), QString::fromStdString(SmsDraftPath()));
    const std::string expected =
        K("<Send_Result>0</Send_Result><Send_Date>20240305</Send_Date><Send_Time>140709</Send_Time>"
          "<Msg_Type>L</Msg_Type><Msg_Subject>봄 세일</Msg_Subject><Msg_Message>첫 줄_#CR#__#LF#_둘째 "
          "줄_#LF#_<끝></Msg_Message><Msg_CallBack>02-1234-5678</Msg_CallBack><DNC_Number>080-123-4567"
          "</DNC_Number>") +
        std::string(1, '\0');
    EXPECT_EQ(Bytes(), expected);

    const auto back = LoadSmsDraft(SmsDraftPath());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sendResult, 0);
    EXPECT_EQ(back->date, 20240305);
    EXPECT_EQ(back->time, 140709);
    EXPECT_TRUE(back->lms);
    EXPECT_EQ(back->subject, K("봄 세일"));
    EXPECT_EQ(back->message, K("첫 줄\r\n둘째 줄\n<끝>"));
    EXPECT_EQ(back->callback, "02-1234-5678");
    EXPECT_EQ(back->optOutNumber, "080-123-4567");

    // An SMS draft offers no subject even when the file holds one.
    std::string sms = expected;
    sms.replace(sms.find("<Msg_Type>L"), 11, "<Msg_Type>S");
    Write(sms);
    const auto smsBack = LoadSmsDraft(SmsDraftPath());
    ASSERT_TRUE(smsBack);
    EXPECT_FALSE(smsBack->lms);
    EXPECT_TRUE(smsBack->subject.empty());
}

TEST_F(SmsDraftTest, WhichDraftsAreOffered) {
    const QDate today(2024, 3, 5);
    struct Case {
        const char* name;
        int sendResult;
        int date;
        int targetType;
        const char* message;
        bool offered;
    };
    const Case cases[] = {
        {"today", 0, 20240305, 0, "hi", true},
        {"exactly three days ago", 0, 20240302, 0, "hi", true},
        {"four days ago", 0, 20240301, 0, "hi", false},
        {"after a send", 1, 20240305, 0, "hi", false},
        {"empty message", 0, 20240305, 0, "", false},
        {"refusal notice", 0, 20240305, 3, "hi", false},
        {"across a month end", 0, 20240229, 1, "hi", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmsDraft d;
        d.sendResult = c.sendResult;
        d.date = c.date;
        d.message = c.message;
        EXPECT_EQ(ShouldOfferDraft(d, c.targetType, today), c.offered);
    }
    EXPECT_EQ(zmsg::Cp949ToUtf8(DraftQuestion()),
              "이전에 작성중인 메시지가 있습니다.\n작성중인 메시지를 표시하시겠습니까?");
}

TEST_F(SmsDraftTest, MissingForeignOrDamagedFilesAreIgnored) {
    EXPECT_FALSE(LoadSmsDraft(SmsDraftPath()));
    Write(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(LoadSmsDraft(SmsDraftPath()));
    Write("");
    EXPECT_FALSE(LoadSmsDraft(SmsDraftPath()));
    // Cut short in the middle of the message: what is there is read, nothing crashes.
    Write("<Send_Result>0</Send_Result><Send_Date>20240305</Send_Date><Msg_Message>abc");
    const auto cut = LoadSmsDraft(SmsDraftPath());
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->message.empty());
    EXPECT_EQ(cut->date, 20240305);
    // A folder in the file's place.
    QFile::remove(QString::fromStdString(SmsDraftPath()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ZMSG.dat")));
    EXPECT_FALSE(LoadSmsDraft(SmsDraftPath()));
    SmsDraft d;
    EXPECT_FALSE(SaveSmsDraft(SmsDraftPath(), d, 0));
}

} // namespace
