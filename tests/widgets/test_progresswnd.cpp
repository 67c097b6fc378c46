// The progress window as an operation drives it.
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include "frame/operationpump.h"
#include "frame/widgets/progresswnd.h"
#include "text/codec.h"

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class ProgressWndTest : public QObject {
    Q_OBJECT
private slots:
    void showHideAndReuse() {
        QPointer<CProgressDlg> kept;
        {
            CProgressWnd w;
            w.Show(true, zmsg::K("SMS를 전송할 회원정보를 불러오는 중입니다."));
            kept = w.Dialog();
            QVERIFY(kept);
            QVERIFY(kept->isVisible());
            QCOMPARE(kept->StepLabel()->text(), QStringLiteral("SMS를 전송할 회원정보를 불러오는 중입니다."));
            // Nothing counted yet: no "0/0 (0%)".
            QVERIFY(kept->CounterLabel()->isHidden());

            w.Show(false, "");
            QVERIFY(!kept->isVisible());
            w.Show(true, zmsg::K("전송 중입니다."));
            QCOMPARE(w.Dialog(), kept.data());
            QVERIFY(kept->isVisible());
            QCOMPARE(kept->StepLabel()->text(), QStringLiteral("전송 중입니다."));
        }
        QVERIFY(!kept); // gone with its owner

        CProgressWnd hidden;
        hidden.Show(false, "");
        QVERIFY(hidden.Dialog());
        QVERIFY(!hidden.Dialog()->isVisible());
    }

    void counterAndBar_data() {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<bool>("counterShown");
        QTest::addColumn<bool>("barShown");
        QTest::addColumn<int>("barValue");

        QTest::newRow("3, at 1") << 3 << 1 << QStringLiteral("1/3 (33%)") << true << true << 1;
        QTest::newRow("all done") << 7 << 7 << QStringLiteral("7/7 (100%)") << true << true << 7;
        QTest::newRow("unknown length") << 0 << 5 << QStringLiteral("5") << false << false << 0;
        QTest::newRow("negative length") << -4 << 2 << QStringLiteral("2") << false << false << 0;
        QTest::newRow("nothing counted yet") << 10 << 0 << QStringLiteral("0/10 (0%)") << false << true << 0;
        QTest::newRow("beyond 16 bits")
            << 100000 << 50000 << QStringLiteral("50000/100000 (50%)") << true << true << 50000;
        QTest::newRow("percent beyond 32-bit product")
            << 30000000 << 29999999 << QStringLiteral("29999999/30000000 (99%)") << true << true << 29999999;
    }

    void counterAndBar() {
        QFETCH(int, total);
        QFETCH(int, pos);
        QFETCH(QString, counter);
        QFETCH(bool, counterShown);
        QFETCH(bool, barShown);
        QFETCH(int, barValue);

        CProgressWnd w;
        w.Show(true, zmsg::K("전송 중입니다."));
        w.SetRange(total);
        w.SetPos(pos);
        CProgressDlg* d = w.Dialog();
        QCOMPARE(d->CounterLabel()->text(), counter);
        QCOMPARE(d->CounterLabel()->isVisible(), counterShown);
        QCOMPARE(d->Bar()->isVisible(), barShown);
        if (barShown) {
            QCOMPARE(d->Bar()->maximum(), total);
            QCOMPARE(d->Bar()->value(), barValue);
        }
        // A new range starts the count again.
        w.SetRange(total);
        QCOMPARE(d->Pos(), 0);
        if (barShown)
            QCOMPARE(d->Bar()->value(), 0);
    }

    void paintsWhileTheOperationHoldsTheThread() {
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));

        CProgressWnd w(&owner);
        w.Show(true, zmsg::K("전송 중입니다."));
        PaintCounter counter;
        w.Dialog()->installEventFilter(&counter);

        // Work queued for the caller's windows (a timer, a call posted for them, a request to close)
        // must wait until the operation gives the thread back.
        bool ranPosted = false;
        bool ranTimer = false;
        zmsg::PostWhenIdle(&owner, [&] { ranPosted = true; });
        QTimer::singleShot(1, &owner, [&] { ranTimer = true; });
        QCoreApplication::postEvent(&owner, new QCloseEvent);
        QElapsedTimer since;
        since.start();
        w.SetRange(1000000);
        // The operation's own steps, until the timer is well due and the window has been painted.
        for (int i = 1; i <= 1000000 && !(since.elapsed() > 20 && w.Dialog()->windowHandle()->isExposed() &&
                                          counter.paints >= 3);
             ++i)
            w.SetPos(i);
        QVERIFY(w.Dialog()->windowHandle()->isExposed());
        QVERIFY(counter.paints >= 3);
        w.Show(true, zmsg::K("마무리하는 중입니다."));
        QVERIFY(!ranPosted);
        QVERIFY(!ranTimer);
        QVERIFY(owner.isVisible());
        w.Dialog()->removeEventFilter(&counter);
    }

    // What waited runs once the operation is over.
    void postedCallsRunAfterTheOperation() {
        QWidget owner;
        bool ran = false;
        {
            CProgressWnd w;
            w.Show(true, zmsg::K("전송 중입니다."));
            zmsg::PostWhenIdle(&owner, [&] { ran = true; });
            w.SetPos(1);
            QCoreApplication::processEvents();
            QVERIFY(!ran);
        }
        QTRY_VERIFY(ran);
    }
};

QTEST_MAIN(ProgressWndTest)
#include "test_progresswnd.moc"
