// The real message box, shown through ShowMessageBox and answered from a timer.
#include <algorithm>
#include <functional>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "frame/messagebox.h"
#include "frame/widgets/messagedlg.h"
#include "text/codec.h"

namespace {

// Pseudo key: ask the window to close, as the window manager would.
constexpr int kCloseRequest = -1;

struct BoxView {
    QString caption;
    QStringList labels; // visible buttons, left to right
    QList<QRect> buttons;
    QString focused;
    int iconId = 0;
    QString text;
    QSize size;
    QRect textRect;
    QImage image;
};

void Capture(CMessageDlg* dlg, BoxView* view) {
    view->caption = dlg->windowTitle();
    QList<QPushButton*> shown;
    for (auto* b : dlg->findChildren<QPushButton*>())
        if (b->isVisible())
            shown.append(b);
    std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    for (auto* b : shown) {
        view->labels.append(b->text());
        view->buttons.append(b->geometry());
    }
    if (auto* f = qobject_cast<QPushButton*>(dlg->focusWidget()))
        view->focused = f->text();
    view->iconId = dlg->IconId();
    view->text = dlg->Text();
    view->size = dlg->size();
    view->textRect = dlg->TextRect();
    view->image = dlg->grab().toImage();
}

// Shows the box; once it is up, records what it shows and presses the keys on the focused
// control. A box still open after the keys is closed with -99, so a fault cannot hang the test.
int Run(const std::string& text, unsigned type, const QList<int>& keys, BoxView* view = nullptr,
        unsigned color = 0, int closeKey = 0) {
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<CMessageDlg*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible())
            return;
        timer.stop();
        if (view)
            Capture(dlg, view);
        for (int key : keys) {
            if (!dlg->isVisible())
                break;
            if (key == kCloseRequest) {
                dlg->close();
                continue;
            }
            QWidget* target = dlg->focusWidget() ? dlg->focusWidget() : dlg;
            QTest::keyClick(target, static_cast<Qt::Key>(key));
        }
        if (dlg->isVisible())
            dlg->done(-99);
    });
    timer.start();
    return ShowMessageBox(text, type, color, closeKey);
}

bool HasPixel(const QImage& image, const QRect& area, QColor colour) {
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class MessageDlgTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallMessageDialogPresenter(); }

    void buttonsByType_data() {
        QTest::addColumn<unsigned>("type");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("result");

        const QString ok = QStringLiteral("확인"), question = QStringLiteral("질문");
        const QString yes = QStringLiteral("예(&Y)"), no = QStringLiteral("아니오(&N)");
        const QString cancel = QStringLiteral("취소"), retry = QStringLiteral("다시시도(&R)");
        const QString abort = QStringLiteral("중단(&A)"), ignore = QStringLiteral("무시(&I)");
        const int esc = Qt::Key_Escape, ret = Qt::Key_Return;

        QTest::newRow("ok: Escape answers OK") << 0u << ok << QStringList{ok} << ok << 155 << QList{esc} << 1;
        QTest::newRow("ok: Enter") << 0u << ok << QStringList{ok} << ok << 155 << QList{ret} << 1;
        QTest::newRow("ok: close request")
            << 0u << ok << QStringList{ok} << ok << 155 << QList{kCloseRequest} << 1;
        QTest::newRow("error icon") << 0x10u << ok << QStringList{ok} << ok << 27169 << QList{ret} << 1;
        QTest::newRow("question icon") << 0x20u << ok << QStringList{ok} << ok << 154 << QList{ret} << 1;
        QTest::newRow("yes/no: Enter on yes")
            << 0x24u << question << QStringList{yes, no} << yes << 154 << QList{ret} << 6;
        QTest::newRow("yes/no, no preselected: Enter answers no")
            << 0x124u << question << QStringList{yes, no} << no << 154 << QList{ret} << 7;
        QTest::newRow("yes/no ignores Escape")
            << 0x124u << question << QStringList{yes, no} << no << 154 << QList{esc, ret} << 7;
        QTest::newRow("yes/no ignores a close request")
            << 0x24u << question << QStringList{yes, no} << yes << 154 << QList{kCloseRequest, ret} << 6;
        QTest::newRow("yes/no: accelerator letter")
            << 0x24u << question << QStringList{yes, no} << yes << 154 << QList{int(Qt::Key_N)} << 7;
        QTest::newRow("yes/no, third preselected wraps to yes")
            << 0x224u << question << QStringList{yes, no} << yes << 154 << QList{ret} << 6;
        QTest::newRow("ok/cancel: Escape cancels")
            << 0x1u << ok << QStringList{ok, cancel} << ok << 155 << QList{esc} << 2;
        QTest::newRow("ok/cancel: Enter")
            << 0x1u << ok << QStringList{ok, cancel} << ok << 155 << QList{ret} << 1;
        QTest::newRow("abort/retry/ignore ignores Escape")
            << 0x2u << ok << QStringList{abort, retry, ignore} << abort << 155 << QList{esc, ret} << 3;
        QTest::newRow("abort/retry/ignore, third preselected")
            << 0x202u << ok << QStringList{abort, retry, ignore} << ignore << 155 << QList{ret} << 5;
        QTest::newRow("yes/no/cancel: Escape cancels")
            << 0x3u << ok << QStringList{yes, no, cancel} << yes << 155 << QList{esc} << 2;
        QTest::newRow("yes/no/cancel, second preselected")
            << 0x103u << ok << QStringList{yes, no, cancel} << no << 155 << QList{ret} << 7;
        QTest::newRow("retry/cancel: Escape cancels")
            << 0x5u << ok << QStringList{retry, cancel} << retry << 155 << QList{esc} << 2;
        QTest::newRow("retry/cancel: Enter retries")
            << 0x5u << ok << QStringList{retry, cancel} << retry << 155 << QList{ret} << 4;
    }

    void buttonsByType() {
        QFETCH(unsigned, type);
        QFETCH(QString, caption);
        QFETCH(QStringList, labels);
        QFETCH(QString, focused);
        QFETCH(int, icon);
        QFETCH(QList<int>, keys);
        QFETCH(int, result);

        BoxView v;
        QCOMPARE(Run(zmsg::K("계속하시겠습니까?"), type, keys, &v), result);
        QCOMPARE(v.caption, caption);
        QCOMPARE(v.labels, labels);
        QCOMPARE(v.focused, focused);
        QCOMPARE(v.iconId, icon);

        // One row of equal buttons 10 px above the bottom edge, centred as a group.
        const int centre = v.size.width() / 2;
        for (const QRect& b : v.buttons) {
            QCOMPARE(b.y() + b.height(), v.size.height() - 10);
            QVERIFY(b.top() > v.textRect.bottom());
        }
        if (v.buttons.size() == 1) {
            QVERIFY(qAbs(v.buttons[0].center().x() - centre) <= 1);
        } else if (v.buttons.size() == 2) {
            QCOMPARE(v.buttons[0].x() + v.buttons[0].width(), centre - 5);
            QCOMPARE(v.buttons[1].x(), centre + 5);
        } else {
            QVERIFY(qAbs(v.buttons[1].center().x() - centre) <= 1);
            QCOMPARE(v.buttons[1].x() - (v.buttons[0].x() + v.buttons[0].width()), 10);
            QCOMPARE(v.buttons[2].x() - (v.buttons[1].x() + v.buttons[1].width()), 10);
        }
    }

    void closeKey() {
        // Enter and Escape are swallowed while a close key is armed; the key itself answers.
        QCOMPARE(Run(zmsg::K("F2를 누르십시오."), 0, {Qt::Key_Return, Qt::Key_Escape, Qt::Key_F2}, nullptr, 0,
                     0x71),
                 0x71);
        QCOMPARE(Run(zmsg::K("X를 누르십시오."), 0, {Qt::Key_X}, nullptr, 0, 'X'), int('X'));
        // A box with a cancel choice has no close key: X does nothing, Escape cancels.
        QCOMPARE(Run(zmsg::K("X를 누르십시오."), 0x1, {Qt::Key_X, Qt::Key_Escape}, nullptr, 0, 'X'), 2);
    }

    void textTrimmedAndDrawnInColour() {
        BoxView v;
        Run(zmsg::K("  \r\n\t전송을 완료했습니다.\r\n\n  "), 0, {Qt::Key_Return}, &v, kColorSuccess);
        QCOMPARE(v.text, QStringLiteral("전송을 완료했습니다."));
        // 0x9B0000 is red 0, green 0, blue 155.
        QVERIFY(HasPixel(v.image, v.textRect, QColor(0, 0, 155)));
        QVERIFY(!HasPixel(v.image, v.textRect, QColor(155, 0, 0)));

        BoxView black;
        Run(zmsg::K("저장했습니다."), 0, {Qt::Key_Return}, &black, 0);
        QVERIFY(HasPixel(black.image, black.textRect, QColor(0, 0, 0)));
    }

    void growsToFitText() {
        BoxView small, large;
        Run(zmsg::K("완료"), 0, {Qt::Key_Escape}, &small);
        const std::string lines =
            zmsg::K("총 12,345건중 345건의 전화번호가 부적합하여 12,000건만 전송대상에 추가했습니다.\n"
                    "\n▶ SMS 수신거부 : 100 건\n▶ 3회이상 수신실패 : 45 건 (체크하시면 발송가능)\n"
                    "▶ 전화번호형식오류 : 150 건\n▶ 전송대상중복 : 50 건");
        QCOMPARE(Run(lines, 0, {Qt::Key_Escape}, &large), 1);

        QVERIFY(large.size.width() > small.size.width());
        QVERIFY(large.size.height() > small.size.height());
        QVERIFY(large.textRect.height() > 5 * small.textRect.height());
        // Every line fits: the text ends inside the box and above the buttons.
        QVERIFY(large.textRect.right() + 20 <= large.size.width());
        QVERIFY(large.textRect.bottom() < large.buttons[0].top() - 10);
        // A short text keeps the box's own size.
        QVERIFY(small.size.width() >= 300 && small.size.height() >= 100);
    }
};

QTEST_MAIN(MessageDlgTest)
#include "test_messagedlg.moc"
