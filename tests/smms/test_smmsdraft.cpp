// The app-message draft as the next opening of the dialog reads it: exact bytes, line breaks kept,
// which drafts are offered, and files that are missing, foreign or damaged (ignored, with a log line).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "compose/smmsdraft.h"
#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "text/codec.h"

using zmsg::K;

namespace {

class SmmsDraftTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        g_strHostDir = m_dir.path().toStdString() + "/";
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Log")));
        zmsg::Clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    }
    void TearDown() override {
        zmsg::Clock::setFixed(QDateTime());
        g_strHostDir.clear();
    }
    std::string Bytes() {
        QFile f(QString::fromStdString(SmmsDraftPath()));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
    void Write(const std::string& bytes) {
        QFile f(QString::fromStdString(SmmsDraftPath()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // The day's log, UTF-8.
    std::string Log() {
        QFile f(m_dir.path() + QStringLiteral("/Log/ZMSG_") +
                zmsg::Clock::now().date().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return zmsg::Cp949ToUtf8(f.readAll().toStdString());
    }
    QTemporaryDir m_dir;
};

TEST_F(SmmsDraftTest, WrittenByteForByteAndReadBack) {
    SmmsDraft d;
    d.localCode = 42;
    d.title = K("(광고)행복마트 봄 세일  ");
    d.message = K("첫 줄\r\n둘째 줄\n<끝>   \n\n");
    d.imagePath = "/tmp/a b.jpg";
    d.centerImageBox = 1;
    d.centerImageCode = 3;
    d.callback = " 02-1234-5678 ";
    d.allUser = true;
    ASSERT_TRUE(SaveSmmsDraft(SmmsDraftPath(), d, 0));
    EXPECT_EQ(m_dir.path() + QStringLiteral("/ZSMMS.dat"), QString::fromStdString(SmmsDraftPath()));
    const std::string expected =
        K("<Send_Success>0</Send_Success><Send_Date>20240305</Send_Date><Send_Time>140709</Send_Time>"
          "<SS_Center>0</SS_Center><SS_Local>42</SS_Local><Title>(광고)행복마트 봄 세일</Title>"
          "<Message>첫 줄_#CR#__#LF#_둘째 줄_#LF#_<끝></Message><ImagePath>/tmp/a b.jpg</ImagePath>"
          "<CenterImageBox>1</CenterImageBox><CenterImageCode>3</CenterImageCode>"
          "<CallBack>02-1234-5678</CallBack><AllUser>1</AllUser>") +
        std::string(1, '\0');
    EXPECT_EQ(Bytes(), expected);

    const auto back = LoadSmmsDraft(SmmsDraftPath());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sendSuccess, 0);
    EXPECT_EQ(back->date, 20240305);
    EXPECT_EQ(back->time, 140709);
    EXPECT_EQ(back->localCode, 42);
    EXPECT_EQ(back->title, K("(광고)행복마트 봄 세일"));
    EXPECT_EQ(back->message, K("첫 줄\r\n둘째 줄\n<끝>"));
    EXPECT_EQ(back->imagePath, "/tmp/a b.jpg");
    EXPECT_EQ(back->centerImageBox, 1);
    EXPECT_EQ(back->centerImageCode, 3);
    EXPECT_EQ(back->callback, "02-1234-5678");
    EXPECT_TRUE(back->allUser);

    // Marked as sent after a send; a title holding its own closing tag is cut there.
    d.title = K("제목</Title>나머지");
    d.allUser = false;
    ASSERT_TRUE(SaveSmmsDraft(SmmsDraftPath(), d, 1));
    const auto sent = LoadSmmsDraft(SmmsDraftPath());
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->sendSuccess, 1);
    EXPECT_EQ(sent->title, K("제목"));
    EXPECT_FALSE(sent->allUser);
}

TEST_F(SmmsDraftTest, WhichDraftsAreOffered) {
    const QDate today(2024, 3, 5);
    struct Case {
        const char* name;
        int sent;
        int date;
        const char* message;
        bool offered;
    };
    const Case cases[] = {
        {"today", 0, 20240305, "hi", true},          {"exactly three days ago", 0, 20240302, "hi", true},
        {"four days ago", 0, 20240301, "hi", false}, {"after a send", 1, 20240305, "hi", false},
        {"empty message", 0, 20240305, "", false},   {"across a month end", 0, 20240229, "hi", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmmsDraft d;
        d.sendSuccess = c.sent;
        d.date = c.date;
        d.message = c.message;
        EXPECT_EQ(ShouldOfferSmmsDraft(d, today), c.offered);
    }
}

TEST_F(SmmsDraftTest, MissingForeignOrDamagedFilesAreIgnoredWithALogLine) {
    EXPECT_FALSE(LoadSmmsDraft(SmmsDraftPath()));
    EXPECT_EQ(Log(), "") << "a missing draft is no news";

    Write(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(LoadSmmsDraft(SmmsDraftPath()));
    EXPECT_NE(Log().find("작성중 메시지 파일의 형식이 아니어서 무시합니다"), std::string::npos) << Log();

    // The SMS dialog's draft is foreign here.
    SmsDraft sms;
    sms.message = "hi";
    ASSERT_TRUE(SaveSmsDraft(SmmsDraftPath(), sms, 0));
    EXPECT_FALSE(LoadSmmsDraft(SmmsDraftPath()));

    // Cut short in the middle of the message: what is there is read, nothing crashes.
    Write("<Send_Success>0</Send_Success><Send_Date>20240305</Send_Date><AllUser>1</AllUser><Message>abc");
    const auto cut = LoadSmmsDraft(SmmsDraftPath());
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->message.empty());
    EXPECT_TRUE(cut->allUser);
    EXPECT_EQ(cut->date, 20240305);

    // A folder in the file's place: not read, not written.
    QFile::remove(QString::fromStdString(SmmsDraftPath()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ZSMMS.dat")));
    EXPECT_FALSE(LoadSmmsDraft(SmmsDraftPath()));
    EXPECT_NE(Log().find("작성중 메시지 파일을 읽을 수 없어 무시합니다"), std::string::npos) << Log();
    EXPECT_FALSE(SaveSmmsDraft(SmmsDraftPath(), SmmsDraft{}, 0));
}

} // namespace
