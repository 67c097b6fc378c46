// A host with its own application object keeps it, and the module's boxes show on it.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "center/db/sqldirect.h"
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
        // A feature still to come says so in the clerk's words, without code names.
        QVERIFY2(seen.contains(QString::fromUtf8("080 수신거부 관리 기능은 아직 준비 중입니다.")),
                 qPrintable(seen.join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestExportsHostApp)
#include "test_exports_hostapp.moc"
