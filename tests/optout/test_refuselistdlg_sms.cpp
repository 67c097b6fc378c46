// The SMS dialog's part in the opt-out work: the store's 080 number fetched from the opt-out server,
// and the refusal notice (recipient type 3) carrying each requester's request date.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>

#include "frame/widgets/trellisex.h"
#include "sim/faultplan.h"
#include "sms/ui/smsdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/scriptedmessages.h"
#include "text/codec.h"

using zmsg::K;

namespace {

// A number as the opt-out server gives it.
std::string Digits(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

} // namespace

class TestRefuseListSms : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogStore> m_store;

    void ArmAuth(zmsg::sim::FaultKind kind, const std::string& body = {}) {
        zmsg::sim::Fault f;
        f.verb = "AUTH";
        f.nth = 1;
        f.kind = kind;
        f.body = body;
        m_store->fx().sim().Faults().Arm(f);
    }
    bool Exec(const std::string& sql) {
        const int r = m_store->db()->ExecuteSQL(sql.c_str());
        return r == SQL_OK || r == SQL_OK_INFO || r == SQL_NODATA;
    }

private slots:
    void init() {
        m_store = std::make_unique<DialogStore>();
        QVERIFY(m_store->ok());
    }
    void cleanup() { m_store.reset(); }

    void optOutNumberFromTheServer() {
        ScriptedMessages boxes;
        CSMSDlg dlg(m_store->db(), 1, 1, "", "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* field = FindChild<QLineEdit>(dlg, "optOutEdit");
        auto* button = FindChild<QPushButton>(dlg, "optOutButton");
        auto* editor = FindChild<QPlainTextEdit>(dlg, "messageEditor");
        QVERIFY(button->isEnabled());
        QCOMPARE(field->text(), QString());

        // The server's number fills the empty field, and the untouched template takes it too.
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(boxes.shown().empty());
        QCOMPARE(field->text(), QStringLiteral("0807001001"));
        QVERIFY(editor->toPlainText().endsWith(QStringLiteral("무료수신거부\n0807001001")));
        QCOMPARE(m_store->fx().sim().Requests().Count("AUTH"), 1);

        // A number that is not an 080 number is not taken.
        field->setText(QStringLiteral("080-700-1001"));
        ArmAuth(zmsg::sim::FaultKind::Raw, "<AUTH><Result>1000</Result><Message>ok</Message><SessionID>s1"
                                           "</SessionID><RNumber>0311234567</RNumber></AUTH>");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(field->text(), QStringLiteral("080-700-1001"));
        QVERIFY(boxes.shown().empty());

        // A refusal of the server is shown in the box (error icon), and the field keeps its number.
        ArmAuth(zmsg::sim::FaultKind::Raw, "<AUTH><Result>3001</Result><Message>unknown</Message></AUTH>");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(boxes.texts(), std::vector<std::string>{"unknown(상태확인-응답코드:3001)"});
        QCOMPARE(boxes.shown()[0].type, 0x10u);
        QCOMPARE(field->text(), QStringLiteral("080-700-1001"));

        // A reply without RNumber fails as a whole.
        boxes.clear();
        field->clear();
        ArmAuth(zmsg::sim::FaultKind::Raw,
                "<AUTH><Result>1000</Result><Message>ok</Message><SessionID>s1</SessionID></AUTH>");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(boxes.texts(), std::vector<std::string>{"인증처리 응답형식오류(AUTH_RNumber)"});
        QCOMPARE(field->text(), QString());
    }

    void noticeCarriesEachRequestDate() {
        // Members 31 and 62 refuse advertising in the sample store; 31 has an open request from
        // 2015-06-01 (and an older, superseded one), 62 only a completed one.
        const std::string phone31 = Digits(m_store->Query("SELECT mem_cel FROM member WHERE mem_code=31"));
        const std::string phone62 = Digits(m_store->Query("SELECT mem_cel FROM member WHERE mem_code=62"));
        QVERIFY(
            Exec("INSERT INTO smsrefuse (sr_code, sr_day, sr_time, sr_cnumber, sr_rnumber, sr_emp, sr_status,"
                 " sr_key1, sr_key2) VALUES (1, 20150301, 90000, '0807001001', '" +
                 phone31 + "', 1, 3, -1, -1)"));
        QVERIFY(
            Exec("INSERT INTO smsrefuse (sr_code, sr_day, sr_time, sr_cnumber, sr_rnumber, sr_emp, sr_status,"
                 " sr_key1, sr_key2) VALUES (2, 20150601, 90000, '0807001001', '" +
                 phone31 + "', 1, 1, -1, -1)"));
        QVERIFY(
            Exec("INSERT INTO smsrefuse (sr_code, sr_day, sr_time, sr_cnumber, sr_rnumber, sr_emp, sr_status,"
                 " sr_key1, sr_key2) VALUES (3, 20150701, 90000, '0807001001', '" +
                 phone62 + "', 1, 0, -1, -1)"));

        ScriptedMessages boxes;
        CSMSDlg dlg(m_store->db(), 1, 3, "31,62", "");
        QVERIFY(dlg.Start());
        dlg.show();
        QTRY_COMPARE(dlg.Recipients().size(), size_t(2));
        auto* grid = FindChild<CTrellisEx>(dlg, "recipientGrid");
        QCOMPARE(grid->GetItemText(0, 4), K("요청일"));
        QTRY_COMPARE(grid->GetItemText(1, 4), K("2015년 6월 1일"));
        QVERIFY(grid->IsCellChecked(1, 1));
        // Without an open request there is nothing to tell: unticked, not counted.
        QCOMPARE(grid->GetItemText(2, 4), std::string());
        QVERIFY(!grid->IsCellChecked(2, 1));
        QCOMPARE(dlg.Counts().sms, 1);
        QCOMPARE(FindChild<QPlainTextEdit>(dlg, "messageEditor")->toPlainText(),
                 QStringLiteral("{요청일} 요청하신 수신거부가 정상적으로 처리되었습니다.\n-행복마트-"));
        QVERIFY(FindChild<QCheckBox>(dlg, "noAdCheck")->isChecked());
    }
};

QTEST_MAIN(TestRefuseListSms)
#include "test_refuselistdlg_sms.moc"
