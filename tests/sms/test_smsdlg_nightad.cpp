// Advertising that reaches phones at night: the SMS dialog asks for the recipients' night-time consent
// before such a send (now or reserved), logs the answer, and a No sends nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "compose/composition.h"
#include "frame/clock.h"
#include "frame/moduleapp.h"
#include "sim/formdata.h"
#include "sms/ui/smsdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

namespace {

const QDate kDay(2026, 12, 7);
// Passes every advertising rule of the sample store, so the night question is the only one asked.
const QString kAdvert = QStringLiteral("(광고)\n행복마트 02-1234-5678\n무료거부 080-999-0000");

// Every log line written so far, as UTF-8.
QString LogText() {
    QString all;
    const QDir dir(QString::fromStdString(g_strHostDir) + QStringLiteral("Log"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all += QString::fromStdString(zmsg::Cp949ToUtf8(file.readAll().toStdString()));
    }
    return all;
}

} // namespace

class TestSmsDlgNightAd : public DialogTest {
    Q_OBJECT

private:
    int Begins() { return m_fx->sim().Requests().Count("SMSBEGIN"); }

    // The dialog on the three employees with an advertising message that meets every rule.
    void Compose(CSMSDlg& dlg, const QString& message = kAdvert) {
        QVERIFY(dlg.Start());
        dlg.show();
        QTRY_COMPARE(dlg.Recipients().size(), size_t(3));
        FindChild<QPlainTextEdit>(dlg, "messageEditor")->setPlainText(message);
        FindChild<QLineEdit>(dlg, "optOutEdit")->setText(QStringLiteral("080-999-0000"));
    }
    static void Reserve(CSMSDlg& dlg, const QDate& day, int hour) {
        FindChild<QCheckBox>(dlg, "reserveCheck")->setChecked(true);
        FindChild<QDateEdit>(dlg, "reserveDate")->setDate(day);
        FindChild<QComboBox>(dlg, "reserveHour")->setCurrentIndex(hour);
        FindChild<QComboBox>(dlg, "reserveMinute")->setCurrentIndex(0);
    }
    static void Send(CSMSDlg& dlg) {
        QTest::mouseClick(FindChild<QPushButton>(dlg, "sendButton"), Qt::LeftButton);
    }

private slots:
    void init() {
        QVERIFY(Open());
        QVERIFY(QDir().mkpath(QString::fromStdString(g_strHostDir) + QStringLiteral("Log")));
    }
    void cleanup() { Close(); }

    void nightTimeRule() {
        QVERIFY(IsNightTime(QDateTime(kDay, QTime(21, 0))));
        QVERIFY(IsNightTime(QDateTime(kDay, QTime(23, 59))));
        QVERIFY(IsNightTime(QDateTime(kDay, QTime(0, 0))));
        QVERIFY(IsNightTime(QDateTime(kDay, QTime(7, 59))));
        QVERIFY(!IsNightTime(QDateTime(kDay, QTime(8, 0))));
        QVERIFY(!IsNightTime(QDateTime(kDay, QTime(20, 59))));
        QVERIFY(IsAdvertising(zmsg::K("(광고)행복마트")));
        QVERIFY(IsAdvertising(zmsg::K("행사 안내"), zmsg::K("(광고)행복마트")));
        QVERIFY(!IsAdvertising(zmsg::K(" (광고)"))); // the mark counts where a phone shows it: first
        QVERIFY(!IsAdvertising(zmsg::K("{요청일} 요청하신 수신거부가 정상적으로 처리되었습니다.")));
    }

    void askedAtNightAndNoSendsNothing() {
        zmsg::Clock::setFixed(QDateTime(kDay, QTime(21, 30)));
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        Compose(dlg);
        boxes.setNextAnswer(IDNO);
        Send(dlg);
        const std::string question = "12월 7일 21:30에 받게 되는 이 광고 메시지의 수신자 모두가 "
                                     "야간(21시~다음날 08시) 광고 수신에 별도로 동의했습니까?";
        QCOMPARE(boxes.texts(), std::vector<std::string>{question});
        QCOMPARE(boxes.shown()[0].type, kQuestionNoDefault);
        QVERIFY(dlg.isVisible());
        QCOMPARE(Begins(), 0);
        QCOMPARE(m_store->Query("SELECT COUNT(*) FROM smssend"), std::string("0"));
        QVERIFY(LogText().contains(QString::fromStdString(question) + QStringLiteral(" -> 아니오")));

        // Yes goes on: the send is made, and the answer is in the log as well.
        boxes.clear();
        boxes.setNextAnswer(IDYES);
        Send(dlg);
        QCOMPARE(boxes.texts().front(), question);
        QCOMPARE(Begins(), 1);
        QVERIFY(LogText().contains(QString::fromStdString(question) + QStringLiteral(" -> 예")));
    }

    void askedForANightReservation() {
        zmsg::Clock::setFixed(QDateTime(kDay, QTime(12, 0)));
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        Compose(dlg);
        Reserve(dlg, kDay.addDays(1), 7); // received at 07:00 tomorrow
        boxes.setNextAnswer(IDNO);
        Send(dlg);
        QCOMPARE(boxes.texts(), std::vector<std::string>{"12월 8일 07:00에 받게 되는 이 광고 메시지의 수신자 "
                                                         "모두가 야간(21시~다음날 08시) 광고 수신에 별도로 "
                                                         "동의했습니까?"});
        QCOMPARE(Begins(), 0);

        // At 08:00 the window is over: the reservation goes out without the question.
        Reserve(dlg, kDay.addDays(1), 8);
        boxes.clear();
        Send(dlg);
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(
            QString::fromStdString(boxes.texts()[0]).contains(QStringLiteral("문자를 예약 전송했습니다.")));
        QCOMPARE(Begins(), 1);
    }

    void notAskedByDayButWhateverTheExclusionSays() {
        // Noon: sent at once without a question.
        {
            zmsg::Clock::setFixed(QDateTime(kDay, QTime(12, 0)));
            ScriptedMessages boxes;
            CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
            Compose(dlg);
            Send(dlg);
            QCOMPARE(boxes.texts().size(), size_t(1));
            QVERIFY(
                QString::fromStdString(boxes.texts()[0]).contains(QStringLiteral("문자를 전송했습니다.")));
            QCOMPARE(Begins(), 1);
        }
        // "광고문구점검 제외" skips the form rules only: at night, now or reserved, the question comes.
        struct Case {
            const char* name;
            QString message;
            int reserveHour; // -1: now
            const char* question;
        };
        const Case cases[] = {
            {"now", QStringLiteral("(광고) 오늘 밤 특가"), -1,
             "12월 7일 22:00에 받게 되는 이 광고 메시지의 수신자 모두가 야간(21시~다음날 08시) 광고 수신에 "
             "별도로 동의했습니까?"},
            {"reserved", QStringLiteral("(광고) 내일 아침 특가"), 23,
             "12월 7일 23:00에 받게 되는 이 광고 메시지의 수신자 모두가 야간(21시~다음날 08시) 광고 수신에 "
             "별도로 동의했습니까?"},
        };
        for (const Case& c : cases) {
            zmsg::Clock::setFixed(QDateTime(kDay, QTime(22, 0)).addSecs(c.reserveHour < 0 ? 0 : -3 * 3600));
            ScriptedMessages boxes;
            CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
            Compose(dlg, c.message);
            FindChild<QCheckBox>(dlg, "noAdCheck")->setChecked(true);
            if (c.reserveHour >= 0)
                Reserve(dlg, kDay, c.reserveHour);
            boxes.setNextAnswer(IDNO);
            Send(dlg);
            QCOMPARE(boxes.texts(), std::vector<std::string>{c.question});
            QCOMPARE(Begins(), 1);
        }
    }

    // A refusal notice (recipient type 3) goes exactly to those who refused: an advertising text is
    // refused, day or night; the notice itself, also as LMS, carries no advertising mark and gets no
    // night question.
    void noticesCarryNoAdvertising() {
        zmsg::Clock::setFixed(QDateTime(kDay, QTime(22, 0)));
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 3, "", "");
        QVERIFY(dlg.Start());
        dlg.show();
        FindChild<QLineEdit>(dlg, "addNameEdit")->setText(QStringLiteral("홍길동"));
        FindChild<QLineEdit>(dlg, "addPhoneEdit")->setText(QStringLiteral("010-2345-6789"));
        QTest::mouseClick(FindChild<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        QCOMPARE(dlg.Recipients().size(), size_t(1));
        auto* editor = FindChild<QPlainTextEdit>(dlg, "messageEditor");
        FindChild<QLineEdit>(dlg, "optOutEdit")->setText(QStringLiteral("080-999-0000"));
        for (bool exempt : {true, false}) {
            boxes.clear();
            editor->setPlainText(kAdvert);
            FindChild<QCheckBox>(dlg, "noAdCheck")->setChecked(exempt);
            Send(dlg);
            QCOMPARE(boxes.texts(),
                     std::vector<std::string>{"수신거부 처리결과 알림에는 광고 메시지를 보낼 수 "
                                              "없습니다.\n메시지의 \"(광고)\" 문구를 지워 "
                                              "주십시오."});
            QCOMPARE(Begins(), 0);
        }
        // As LMS the notice takes no advertising subject.
        boxes.clear();
        FindChild<QCheckBox>(dlg, "noAdCheck")->setChecked(true);
        editor->setPlainText(
            QStringLiteral("요청하신 수신거부가 정상적으로 처리되었습니다. 앞으로 이 번호로는 "
                           "광고 문자를 보내지 않습니다. 이용해 주셔서 고맙습니다. -행복마트-"));
        FindChild<QCheckBox>(dlg, "lmsCheck")->setChecked(true);
        Send(dlg);
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(QString::fromStdString(boxes.texts()[0]).contains(QStringLiteral("문자를 전송했습니다.")));
        QCOMPARE(Begins(), 1);
        for (const auto& r : m_fx->sim().Requests().All())
            if (r.verb == "SMSBEGIN")
                QVERIFY(QString::fromStdString(zmsg::sim::FieldOf(r.fields, "sub"))
                            .indexOf(QStringLiteral("광고")) < 0);
    }
};

QTEST_MAIN(TestSmsDlgNightAd)
#include "test_smsdlg_nightad.moc"
