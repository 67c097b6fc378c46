// The SMS dialog's page tabs against the simulated center's pages: a sample picked on a page lands in
// the composer, the tab buttons behave, and a center that does not answer leaves the dialog usable.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

#include "center/web/commandpage.h"
#include "center/web/webbrowser2.h"
#include "compose/ui/callbackselectdlg.h"
#include "compose/ui/specialchardlg.h"
#include "db/sqldirect.h"
#include "frame/widgets/blinkstatic.h"
#include "frame/widgets/trellisex.h"
#include "sms/ui/lmseditdlg.h"
#include "sms/ui/smsdlg.h"
#include "sms/ui/smswebpanel.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/runscript.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

class TestSmsDlgWeb : public DialogTest {
    Q_OBJECT

private:
    template <typename T> T* Child(QObject& dlg, const char* name) { return FindChild<T>(dlg, name); }

    // Clicks a tab button and waits for its page; false when no page arrived.
    bool OpenTab(CSMSDlg& dlg, int button) {
        CWebBrowser2* browser = Child<CSmsWebPanel>(dlg, "webPanel")->Browser();
        QSignalSpy done(browser, &CWebBrowser2::DocumentComplete);
        QTest::mouseClick(Child<QPushButton>(dlg, QByteArray("pageButton" + QByteArray::number(button))),
                          Qt::LeftButton);
        return done.wait(kPageTimeout) && done.first().first().toBool();
    }

private slots:
    void init() { QVERIFY(Open()); }

    void cleanup() { Close(); }

    void pickedSampleLandsInTheComposer() {
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        QVERIFY(dlg.Start());
        dlg.resize(1100, 760);
        dlg.show();
        auto* editor = Child<QPlainTextEdit>(dlg, "messageEditor");
        auto* grid = Child<CTrellisEx>(dlg, "recipientGrid");
        auto* panel = Child<CSmsWebPanel>(dlg, "webPanel");
        QTRY_COMPARE(grid->GetRowCount(), 4);
        QVERIFY(grid->isVisible());
        QVERIFY(!panel->isVisible());
        QCOMPARE(m_fx->sim().Requests().Count("PAGE"), 0); // nothing loaded before a page tab is picked

        QVERIFY(OpenTab(dlg, 2028));
        QVERIFY(panel->isVisible());
        QVERIFY(!grid->isVisible());
        QVERIFY(!Child<QPushButton>(dlg, "addButton")->isVisible());
        QVERIFY(Child<QCheckBox>(dlg, "combinedCheck")->isVisible()); // not a list control
        QVERIFY(Child<QPushButton>(dlg, "pageButton2028")->isChecked());
        QVERIFY(!Child<QPushButton>(dlg, "pageButton2027")->isChecked());
        CWebBrowser2* browser = panel->Browser();
        QCOMPARE(browser->title(), QStringLiteral("메시지서식"));

        // What the user typed is replaced without a question; the counter follows.
        editor->setPlainText(QStringLiteral("지우지 마세요"));
        QVERIFY(RunScript(*browser, QStringLiteral("document.getElementById('sample2').click()")));
        const QString sample =
            QStringLiteral("[행복마트] 오늘 저녁 7시부터 신선식품 30% 할인합니다. 많이 오세요.");
        QTRY_COMPARE_WITH_TIMEOUT(editor->toPlainText(), sample, kPageTimeout);
        const int bytes = static_cast<int>(zmsg::Utf8ToCp949(sample.toStdString()).value_or("").size());
        QCOMPARE(Child<CBlinkStatic>(dlg, "counter")->text(), QStringLiteral("%1/90").arg(bytes));
        QVERIFY(!Child<QCheckBox>(dlg, "lmsCheck")->isChecked());
        QVERIFY(boxes.shown().empty());

        // A click on the current tab reloads nothing: a load the click had set going would have begun
        // by the time the page answers a script. The list comes back with the page kept, and the next
        // tab's page is the only one asked for since.
        const int pages = m_fx->sim().Requests().Count("PAGE");
        QSignalSpy started(browser->page(), &QWebEnginePage::loadStarted);
        QTest::mouseClick(Child<QPushButton>(dlg, "pageButton2028"), Qt::LeftButton);
        QVERIFY(Child<QPushButton>(dlg, "pageButton2028")->isChecked());
        QVERIFY(RunScript(*browser, QStringLiteral("document.title")));
        QCOMPARE(started.count(), 0);
        QVERIFY(!browser->page()->isLoading());
        QTest::mouseClick(Child<QPushButton>(dlg, "pageButton2027"), Qt::LeftButton);
        QVERIFY(grid->isVisible());
        QVERIFY(!panel->isVisible());
        QVERIFY(OpenTab(dlg, 2029));
        QCOMPARE(m_fx->sim().Requests().Count("PAGE"), pages + 1);

        // A page whose choice is empty hands nothing over, and a broken page function changes nothing.
        // Commands are answered in the order the page gave them: once the good copy that follows has
        // arrived, the two before it have been answered too.
        QStringList composed;
        QObject watching; // gone before the list it writes to
        connect(editor, &QPlainTextEdit::textChanged, &watching, [&] { composed << editor->toPlainText(); });
        QVERIFY(
            RunCommand(*browser, QStringLiteral("chosen = -1; location.href = 'appSMS.aspx?tab=2&cmd="
                                                "DoCopyMsgToApp&pm=' + new URLSearchParams(location.search)"
                                                ".get('pm')")));
        QVERIFY(
            RunCommand(*browser, QStringLiteral("jsGetCopyMsg = function() { throw new Error('x'); };"
                                                "location.href = location.href + '&cmd=DoCopyMsgToApp'")));
        QVERIFY(
            RunCommand(*browser, QStringLiteral("jsGetCopyMsg = function() { return samples[chosen].text; };"
                                                "document.getElementById('sample1').click()")));
        const QString other =
            QStringLiteral("[우리마트] 추석 선물세트 예약 판매! 한우·과일 세트 최대 20% 할인.");
        QTRY_COMPARE_WITH_TIMEOUT(editor->toPlainText(), other, kPageTimeout);
        QVERIFY(!composed.isEmpty());
        for (const QString& text : composed)
            QCOMPARE(text, other);
        QVERIFY(boxes.shown().empty());

        // A sample a text message cannot carry is refused with a message, not dropped unseen.
        QVERIFY(
            RunCommand(*browser, QStringLiteral("jsGetCopyMsg = function() { return '웃음 \\u{1F600}'; };"
                                                "location.href = location.href + '&cmd=DoCopyMsgToApp'")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts().size(), size_t(1), kPageTimeout);
        QCOMPARE(boxes.texts()[0], "문자메시지로 보낼 수 없는 문자가 있어 입력하지 않았습니다.\n(U+1F600)");
        QCOMPARE(editor->toPlainText(), other);
    }

    // A page shown for the first time must not give the dialog a new native window: that one would
    // open at the screen's corner, away from where the clerk had the dialog. Side dialogs open over it.
    void windowStaysWhereItIsWhenPagesLoad() {
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        QVERIFY(dlg.Start());
        dlg.move(180, 120);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_COMPARE(Child<CTrellisEx>(dlg, "recipientGrid")->GetRowCount(), 4);
        QWindow* const native = dlg.windowHandle();
        const WId id = dlg.winId();
        const QPoint at = dlg.pos();

        QVERIFY(OpenTab(dlg, 2028));
        QCoreApplication::processEvents();
        QCOMPARE(dlg.windowHandle(), native);
        QCOMPARE(dlg.winId(), id);
        QCOMPARE(dlg.pos(), at);
        QVERIFY(OpenTab(dlg, 2030));
        QCOMPARE(dlg.winId(), id);
        QCOMPARE(dlg.pos(), at);

        // The callback page: the dialog opens centred on the SMS dialog and stays there once its page
        // is in.
        QPoint pickerCentre;
        QPoint pickerAt;
        QPoint pickerAfter;
        WId pickerId = 0;
        WId pickerIdAfter = 0;
        bool pageIn = false;
        WhenModal<CCallbackSelectDlg>([&](CCallbackSelectDlg& picker) {
            pickerCentre = picker.frameGeometry().center();
            pickerAt = picker.pos();
            pickerId = picker.winId();
            // The page is in once its numbers are.
            auto ready = std::make_shared<bool>(false); // answers may come after the wait
            pageIn = QTest::qWaitFor(
                [&] {
                    picker.Browser()->page()->runJavaScript(
                        QStringLiteral("!!document.querySelector('input[value=\"01055556666\"]')"),
                        [ready](const QVariant& v) { *ready = *ready || v.toBool(); });
                    return *ready;
                },
                kPageTimeout);
            QCoreApplication::processEvents();
            pickerAfter = picker.pos();
            pickerIdAfter = picker.winId();
            picker.reject();
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "callbackButton"), Qt::LeftButton);
        QVERIFY(pageIn);
        QVERIFY2((pickerCentre - dlg.frameGeometry().center()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("picker centred at %1,%2, dialog at %3,%4")
                                .arg(pickerCentre.x())
                                .arg(pickerCentre.y())
                                .arg(dlg.frameGeometry().center().x())
                                .arg(dlg.frameGeometry().center().y())));
        QCOMPARE(pickerAfter, pickerAt);
        QCOMPARE(pickerIdAfter, pickerId);
        QCOMPARE(dlg.winId(), id);
        QCOMPARE(dlg.pos(), at);
        QVERIFY(boxes.shown().empty());
    }

    void sideDialogsReturnToTheComposer() {
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* editor = Child<QPlainTextEdit>(dlg, "messageEditor");
        auto* callback = Child<QLineEdit>(dlg, "callbackEdit");

        // The callback page: a number picked there lands in the callback field.
        WhenModal<CCallbackSelectDlg>([](CCallbackSelectDlg& picker) {
            // Tried until the page is there; the first click that finds the number closes the dialog.
            auto* retry = new QTimer(&picker);
            QObject::connect(retry, &QTimer::timeout, &picker, [&picker] {
                picker.Browser()->page()->runJavaScript(
                    QStringLiteral("var n = document.querySelector('input[value=\"01055556666\"]');"
                                   "if (n) { n.click(); document.getElementById('use').click(); }"));
            });
            retry->start(100);
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "callbackButton"), Qt::LeftButton);
        QCOMPARE(callback->text(), QStringLiteral("01055556666"));

        // A special character goes in at the caret.
        editor->setPlainText(QStringLiteral("ab"));
        QTextCursor caret = editor->textCursor();
        caret.setPosition(1);
        editor->setTextCursor(caret);
        WhenModal<CSpecialCharDlg>([](CSpecialCharDlg& chars) {
            chars.Grid()->SetSelectedRange(4, 1, 4, 1);
            QTest::mouseClick(chars.UseButton(), Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "specialButton"), Qt::LeftButton);
        QCOMPARE(editor->toPlainText(), QStringLiteral("a♬b"));

        // The LMS editor takes the subject and the text and gives them back changed.
        QTest::mouseClick(Child<QCheckBox>(dlg, "lmsCheck"), Qt::LeftButton);
        editor->setPlainText(QStringLiteral("첫 줄"));
        WhenModal<CLmsEditDlg>([](CLmsEditDlg& lms) {
            QCOMPARE(lms.TextEdit()->toPlainText(), QStringLiteral("첫 줄"));
            lms.TitleEdit()->setText(QStringLiteral("이달의 행사"));
            lms.TextEdit()->moveCursor(QTextCursor::End);
            lms.TextEdit()->insertPlainText(QStringLiteral("\n둘째 줄"));
            lms.accept();
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "longEditButton"), Qt::LeftButton);
        QCOMPARE(editor->toPlainText(), QStringLiteral("첫 줄\n둘째 줄"));
        // The subject went with it: the LMS editor shows it the next time.
        WhenModal<CLmsEditDlg>([](CLmsEditDlg& lms) {
            QCOMPARE(lms.TitleEdit()->text(), QStringLiteral("이달의 행사"));
            lms.reject();
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "longEditButton"), Qt::LeftButton);
        QCOMPARE(editor->toPlainText(), QStringLiteral("첫 줄\n둘째 줄"));
        QVERIFY(boxes.shown().empty());
    }

    void centerThatDoesNotAnswerLeavesTheDialogUsable() {
        ScriptedMessages boxes;
        CSMSDlg dlg(m_db, 1, 1, "1,2,3", "");
        QVERIFY(dlg.Start());
        dlg.show();
        QTRY_COMPARE(Child<CTrellisEx>(dlg, "recipientGrid")->GetRowCount(), 4);
        m_fx->sim().Stop();
        QVERIFY(!OpenTab(dlg, 2030));
        // Back on the list, the composer and the buttons still work.
        QTest::mouseClick(Child<QPushButton>(dlg, "pageButton2027"), Qt::LeftButton);
        QVERIFY(Child<CTrellisEx>(dlg, "recipientGrid")->isVisible());
        QTest::keyClicks(Child<QPlainTextEdit>(dlg, "messageEditor"), QStringLiteral("a"));
        QTest::mouseClick(Child<QPushButton>(dlg, "uncheckAllButton"), Qt::LeftButton);
        QCOMPARE(dlg.Counts().sms, 0);
        QVERIFY(boxes.shown().empty());
    }
};

QTEST_MAIN(TestSmsDlgWeb)
#include "test_smsdlg_web.moc"
