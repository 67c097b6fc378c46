// The SMS account as the dialog gets it: store values from a real store database, the account from
// the simulated center over real HTTP, the figures the account panel shows and the batch setting.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "center/vexconfig.h"
#include "db/sqldirect.h"
#include "host/demodb.h"
#include "sim/formdata.h"
#include "sms/account.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

using zmsg::K;
using zmsg::sim::Fault;
using zmsg::sim::FaultKind;

namespace {

class AccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        ASSERT_TRUE(m_dir.isValid());
        std::string error;
        const std::string path = m_dir.filePath(QStringLiteral("store.db")).toStdString();
        ASSERT_TRUE(CreateDemoDatabase(path, &error)) << error;
        ASSERT_TRUE(m_db.Open("sqlite:" + path));
    }
    void SetStore(int code) {
        const std::string sql = "UPDATE ccode SET cc_maxcode=" + std::to_string(code) + " WHERE cc_code=7";
        ASSERT_EQ(m_db.ExecuteSQL(sql.c_str()), 0);
    }
    void ArmMartInfo(FaultKind kind, std::string body = {}, std::string code = "0", std::string reason = {},
                     int nth = 1) {
        Fault f;
        f.nth = nth;
        f.verb = "MARTINFO";
        f.kind = kind;
        f.body = std::move(body);
        f.code = std::move(code);
        f.reason = std::move(reason);
        m_fx.sim().Faults().Arm(f);
    }

    SimFixture m_fx;
    QTemporaryDir m_dir;
    CSQLDirect m_db;
    ScriptedMessages m_boxes;
};

TEST_F(AccountTest, FailuresAreToldWithTheirOwnTexts) {
    struct Row {
        const char* name;
        int store;
        FaultKind fault;
        bool arm;
        const char* reason;
        AccountFetch result;
        const char* shown;
    };
    const Row rows[] = {
        {"no SMS account", 1003, FaultKind::Delay, false, "", AccountFetch::NoAccount,
         "SMS 전송용 계정이 없습니다.\n\n콜센터에 문의해 주십시오.\n☎ 1600-0000"},
        {"unknown store", 4321, FaultKind::Delay, false, "", AccountFetch::Failed,
         "센터 점포정보 확인실패 : 0:등록되지 않은 점포입니다.(점포코드=4321)"},
        {"connection dropped", 1001, FaultKind::CloseBefore, true, "", AccountFetch::Failed,
         "센터에서 점포정보를 참조할 수 없습니다.(통신실패)"},
        {"HTTP error", 1001, FaultKind::Http500, true, "", AccountFetch::Failed,
         "센터에서 점포정보를 참조할 수 없습니다.(통신실패)"},
        {"center's reason", 1001, FaultKind::Fail, true, "점검중입니다", AccountFetch::Failed,
         "센터 점포정보 확인실패 : 0:점검중입니다"},
        {"too short", 1001, FaultKind::Short, true, "", AccountFetch::Failed, "센터 점포정보 확인실패 : 1:"},
        {"no colon", 1001, FaultKind::NoColon, true, "", AccountFetch::Failed, "센터 점포정보 확인실패 : "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        m_boxes.clear();
        SetStore(r.store);
        m_fx.sim().Faults().Clear();
        if (r.arm)
            ArmMartInfo(r.fault, {}, "0", r.reason);
        // libcurl quietly tries a dropped kept-alive connection once more: drop that try too.
        if (r.fault == FaultKind::CloseBefore)
            ArmMartInfo(r.fault, {}, "0", r.reason, 2);
        SmsAccount a;
        EXPECT_EQ(FetchAccount(m_db, 1, a), r.result);
        EXPECT_EQ(m_boxes.texts(), std::vector<std::string>{r.shown});
    }
}

TEST_F(AccountTest, ReplyValuesOutsideTheirRanges) {
    struct Row {
        const char* name;
        const char* body;
        AccountFetch result;
        double lmsCalls;
        int adLen;
        const char* centerPhone;
        const char* callbackField;
        const char* shown;
    };
    const Row rows[] = {
        {"LMS calls below 1", "<PAY_TYPE>CALL</PAY_TYPE><CALL_NOW>10</CALL_NOW><LMS_CALL>0.5</LMS_CALL>",
         AccountFetch::Ok, 0, 0, "1600-0000", "02-1234-5678", nullptr},
        {"LMS calls above 10 and advert too long",
         "<PAY_TYPE>CALL</PAY_TYPE><LMS_CALL>12</LMS_CALL><LMS_AD_LEN>1001</LMS_AD_LEN>", AccountFetch::Ok, 0,
         0, "1600-0000", "02-1234-5678", nullptr},
        {"edges kept",
         "<PAY_TYPE>CALL</PAY_TYPE><LMS_CALL>10</LMS_CALL><LMS_AD_LEN>1000</LMS_AD_LEN>"
         "<CEN_TEL>1588-1234</CEN_TEL><CALLBACK>0311112222</CALLBACK>",
         AccountFetch::Ok, 10, 1000, "1588-1234", "0311112222", nullptr},
        {"short center phone", "<PAY_TYPE>CALL</PAY_TYPE><LMS_CALL>1</LMS_CALL><CEN_TEL>123456</CEN_TEL>",
         AccountFetch::Ok, 1, 0, "1600-0000", "02-1234-5678", nullptr},
        {"unknown pay type", "<PAY_TYPE>CARD</PAY_TYPE><CALL_NOW>10</CALL_NOW>", AccountFetch::Failed, 0, 0,
         "1600-0000", "02-1234-5678", "계정의 메시지발송 차감방식 체크결과가 잘못되었습니다."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        m_boxes.clear();
        ArmMartInfo(FaultKind::Raw, std::string("1:") + r.body);
        SmsAccount a;
        EXPECT_EQ(FetchAccount(m_db, 1, a), r.result);
        EXPECT_DOUBLE_EQ(a.lmsCalls, r.lmsCalls);
        EXPECT_EQ(a.lmsAdLen, r.adLen);
        EXPECT_EQ(a.centerPhone, r.centerPhone);
        EXPECT_EQ(a.CallbackNumber(), r.callbackField);
        if (r.shown)
            EXPECT_EQ(m_boxes.texts(), std::vector<std::string>{r.shown});
        else
            EXPECT_TRUE(m_boxes.shown().empty());
    }
}

TEST_F(AccountTest, FailedReadsKeepWhatWasThere) {
    ASSERT_EQ(m_db.ExecuteSQL("DELETE FROM ccode WHERE cc_code=21"), 0);
    ASSERT_EQ(m_db.ExecuteSQL("DELETE FROM ccode WHERE cc_code=25"), 0);
    SmsAccount a;
    a.storeName = "kept";
    a.storePhone = "031-000-0000";
    a.employeeName = "nobody";
    ASSERT_EQ(FetchAccount(m_db, 99999, a), AccountFetch::Ok);
    EXPECT_EQ(a.storeName, "kept");
    EXPECT_EQ(a.storePhone, "031-000-0000");
    EXPECT_EQ(a.employeeName, "nobody") << "no such employee";
    EXPECT_EQ(a.storeCode, 1001);
}

TEST(AccountFigures, ChargesAndTheirTexts) {
    SmsAccount calls;
    calls.payType = 1;
    calls.lmsCalls = 2.5;
    SmsAccount money;
    money.payType = 2;
    money.smsPrice = 19.9;
    money.lmsPrice = 45;

    EXPECT_DOUBLE_EQ(UnitCharge(calls, false), 1.0);
    EXPECT_DOUBLE_EQ(UnitCharge(calls, true), 2.5);
    EXPECT_DOUBLE_EQ(TotalCharge(3, 2.5, 1), 7.0) << "whole calls only";
    EXPECT_DOUBLE_EQ(TotalCharge(3, 19.9, 2), 3 * 19.9);

    struct Row {
        double value;
        int payType;
        const char* text;
    };
    const Row figures[] = {
        {0, 1, "0 콜"},
        {5000, 1, "5,000 콜"},
        {1234567.0, 2, "1,234,567 AS"},
        {99999.5, 2, "99,999.5 AS"},
        {-2.5, 2, "-2.5 AS"},
        {-1500, 1, "-1,500 콜"},
        {100, 1, "100 콜"},
        {0.04, 2, "0 AS"},
    };
    for (const Row& r : figures)
        EXPECT_EQ(zmsg::Cp949ToUtf8(FigureText(r.value, r.payType)), r.text) << r.value;

    EXPECT_EQ(zmsg::Cp949ToUtf8(UnitChargeText(0, 1)), "사용불가");
    EXPECT_EQ(zmsg::Cp949ToUtf8(UnitChargeText(-1, 2)), "사용불가");
    EXPECT_EQ(zmsg::Cp949ToUtf8(UnitChargeText(2.5, 1)), "2.5 콜");

    EXPECT_EQ(UnitChargeLabel(1.0, 1, false), "") << "an SMS is always one call";
    EXPECT_EQ(UnitChargeLabel(2.5, 1, true), "(2.5) ");
    EXPECT_EQ(UnitChargeLabel(10, 2, true), "(10) ");
    EXPECT_EQ(UnitChargeLabel(0, 2, true), "");
    EXPECT_EQ(zmsg::Cp949ToUtf8(UnitChargeTip(2, false)), "SMS전송 1건당 차감되는 AS머니");

    EXPECT_EQ(zmsg::Cp949ToUtf8(KindCaption(true, false)), "LMS :");
}

TEST(BindOnce, OutOfRangeSettingsAreReplacedAndWrittenBack) {
    SimFixture fx; // a settings folder of its own
    ASSERT_TRUE(fx.ok());
    struct Row {
        int stored;
        int used;
    };
    const Row rows[] = {{5, 100}, {5000, 100}, {10, 10}, {1000, 1000}, {9, 100}, {1001, 100}, {250, 250}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.stored);
        CvexConfig("ZMSG").SetConfigInt("SEND_SMS", "BindOnce", r.stored);
        EXPECT_EQ(LoadBindOnce(), r.used);
        EXPECT_EQ(CvexConfig("ZMSG").GetConfigInt("SEND_SMS", "BindOnce"), r.used);
    }
    // A file without the key gets one.
    QFile::remove(QString::fromStdString(CvexConfig("ZMSG").FilePath()));
    EXPECT_EQ(LoadBindOnce(), 100);
    EXPECT_EQ(CvexConfig("ZMSG").GetConfigInt("SEND_SMS", "BindOnce"), 100);
}

} // namespace
