#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>
#include <fstream>

#include "frame/clock.h"
#include "frame/digits.h"
#include "frame/fileversion.h"
#include "frame/moduleapp.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

TEST(Startup, ReadsOwnVersionAndHostFolder) {
    CModuleApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.GetVersionString(), ZMSG_TEST_PROJECT_VERSION);
    ASSERT_FALSE(g_strHostDir.empty());
    EXPECT_EQ(g_strHostDir.back(), '/');
    EXPECT_EQ(HostDirFromExecutable("/opt/store/pos"), "/opt/store/");
    EXPECT_EQ(HostDirFromExecutable("/pos"), "/");
}

TEST(Startup, MissingVersionRefusesToStartWithMessage) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("noversion.so")).toStdString();
    std::ofstream(path) << "ZMSG-FILE-VERSION=;no version here ZMSG-FILE-VERSION=1.2;";
    ScriptedMessages boxes;
    CModuleApp app;
    app.SetVersionFileForTest(path);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(app.IsStarted());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "실행된 프로그램의 빌드번호를 확인할 수 없습니다.");
    EXPECT_EQ(boxes.shown()[0].type, 16u);

    uint16_t a, b, c, d;
    EXPECT_FALSE(GetFileVersion(dir.filePath(QStringLiteral("missing")).toStdString(), a, b, c, d));
}

TEST(TimeToken, FieldsScaledBySecondPlusThirteen) {
    CModuleApp app;
    // Second 0: k = 13, the second written as "00".
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 0)));
    EXPECT_EQ(app.MakeTimeToken(1001, 7), "00"
                                          "00013013"
                                          "0065"
                                          "00000091"
                                          "0117"
                                          "026338"
                                          "0156"
                                          "0078");
    // Second 59: k = 72.
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59)));
    const std::string t = app.MakeTimeToken(1234, 5678);
    EXPECT_EQ(t, "59"
                 "00088848"
                 "4248"
                 "00408816"
                 "1656"
                 "145872"
                 "0072"
                 "2232");
    EXPECT_EQ(t.size(), 40u);
    // A product wider than its field makes the token longer; nothing is cut.
    EXPECT_EQ(app.MakeTimeToken(1400000, 1).size(), 41u); // 1400000 x 72 has nine digits
    zmsg::Clock::setFixed(QDateTime());
}

TEST(DigitFilters, KeepWhatThePartsExpect) {
    EXPECT_EQ(GetDigitsOnly("010-1234-5678"), "01012345678");
    EXPECT_EQ(GetDigitsOnly(zmsg::K("홍길동 010 9")), "0109");
    EXPECT_EQ(GetDigitsOnly(""), "");
    EXPECT_EQ(GetLeadingPhoneNumber(zmsg::K("010-1234 5678 (집)")), "010-12345678");
    EXPECT_EQ(GetLeadingPhoneNumber("(02) 123"), "");
    EXPECT_EQ(GetLeadingPhoneNumber("  011-22"), "011-22");
}
