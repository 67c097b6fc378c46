// A host with its own application object keeps it, and the module's boxes show on it.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "db/sqldirect.h"
#include "zmsg/zmsg.h"

class TestExportsHostApp : public QObject {
    Q_OBJECT
private slots:
    void keepsHostApplicationAndShowsBox() {
        QCoreApplication* const before = QCoreApplication::instance();
        CSQLDirect db;
        QStringList seen;
        // Answer the box from a timer armed before the modal call, reading what it shows.
        QTimer::singleShot(50, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            seen << box->windowTitle();
            seen << box->property("text").toString();
            for (auto* b : box->findChildren<QPushButton*>())
                if (b->isVisible())
                    seen << b->text();
            for (auto* b : box->findChildren<QPushButton*>())
                if (b->isVisible()) {
                    b->click();
                    break;
                }
        });
        PopupRefuseList(&db, 1);
        QCOMPARE(QCoreApplication::instance(), before);
        QVERIFY2(seen.contains(QStringLiteral("확인")), qPrintable(seen.join(QLatin1Char('|'))));
        // The refusal list opened on a store it cannot read says so in the clerk's words and closes.
        QVERIFY2(seen.contains(QString::fromUtf8("매장정보를 확인할 수 없습니다.(SQL오류)")),
                 qPrintable(seen.join(QLatin1Char('|'))));
    }

    // A receipt started from the window ends with a word on what it did.
    void receiptEndsWithItsSummary() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        CSQLDirect db;
        QVERIFY(db.Open("sqlite:" + dir.filePath(QStringLiteral("store.db")).toStdString()));
        QCOMPARE(db.ExecuteSQL("CREATE TABLE smssend (ss_code INTEGER, ss_center INTEGER, ss_target INTEGER, "
                               "ss_trcount INTEGER, ss_idate TEXT, ss_reserve INTEGER, ss_reservedate TEXT, "
                               "ss_result INTEGER, ss_trfail INTEGER, ss_resultdate TEXT)"),
                 0);
        QString shown;
        QTimer answer;
        answer.setInterval(20);
        connect(&answer, &QTimer::timeout, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            shown = box->property("text").toString();
            for (auto* b : box->findChildren<QPushButton*>())
                if (b->isVisible()) {
                    b->click();
                    break;
                }
        });
        answer.start();
        QCOMPARE(ReceiveResult(&db, 0), 1);
        answer.stop();
        QCOMPARE(shown, QStringLiteral("SMS 전송결과 수신을 마쳤습니다.\n\n▶ 결과를 요청한 전송 0건\n"
                                       "▶ 반영한 결과 0건(수신실패 0건)\n▶ 실패 표시(*)한 회원 0명\n"
                                       "▶ 결과를 기다리는 전송 0건"));
    }
};

QTEST_MAIN(TestExportsHostApp)
#include "test_exports_hostapp.moc"
