// The over-length warning label flashes while blinking is on and stays shown when it stops.
#include <QtTest>

#include "frame/widgets/blinkstatic.h"

class BlinkStaticTest : public QObject {
    Q_OBJECT
private slots:
    void blinksAndStopsShown() {
        QWidget page;
        auto* label = new CBlinkStatic(QStringLiteral("90바이트 초과"), &page);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QVERIFY(label->isVisible());

        label->SetBlink(true);
        QTRY_VERIFY_WITH_TIMEOUT(label->isHidden(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!label->isHidden(), 5000);
        label->SetBlink(true); // already on: keeps its rhythm
        QVERIFY(label->IsBlinking());
        QTRY_VERIFY_WITH_TIMEOUT(label->isHidden(), 5000);

        // Stopped while hidden: shown again at once, and no further toggling.
        label->SetBlink(false);
        QVERIFY(!label->isHidden());
        QTest::qWait(700);
        QVERIFY(!label->isHidden());
    }
};

QTEST_MAIN(BlinkStaticTest)
#include "test_blinkstatic.moc"
