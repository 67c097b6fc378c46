// Choosing a callback number on the simulator's page: the number lands as the dialog's result
// through the page command, an empty choice keeps the dialog open, and a page that never loads
// leaves the dialog usable.
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "center/web/webbrowser2.h"
#include "compose/ui/callbackselectdlg.h"
#include "frame/clock.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

namespace {

constexpr int kPageTimeout = 30000;
const char* const kNothingChosen = "발신번호가 선택되지 않았습니다.";

// Shows the dialog (not modal to the test) and waits for its page.
bool OpenAndLoad(CCallbackSelectDlg& dlg, bool expectOk = true) {
    QSignalSpy done(dlg.Browser(), &CWebBrowser2::DocumentComplete);
    dlg.show();
    return done.wait(kPageTimeout) && done.first().first().toBool() == expectOk;
}

void RunScript(CCallbackSelectDlg& dlg, const char* script) {
    dlg.Browser()->page()->runJavaScript(QString::fromUtf8(script));
}

} // namespace

class TestCallbackSelectDlg : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_fx.ok()); }
    void init() { m_fx.sim().Reset(); }
    void cleanup() { zmsg::Clock::setFixed(QDateTime()); }

    void chosenNumberBecomesTheResult();
    void emptyOrBlankChoiceKeepsTheDialogOpen();
    void pageThatNeverLoadsLeavesTheDialogUsable();

private:
    SimFixture m_fx;
};

void TestCallbackSelectDlg::chosenNumberBecomesTheResult() {
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 2, 3), QTime(9, 5, 7)));
    ScriptedMessages boxes;
    CCallbackSelectDlg dlg(1001);
    QCOMPARE(dlg.windowTitle(), QString::fromUtf8("발신번호 선택"));
    QVERIFY(OpenAndLoad(dlg));
    const auto requests = m_fx.sim().Requests().All();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].path, std::string("/ZMSG/SelCallback.aspx"));
    QVERIFY((requests[0].fields == zmsg::sim::FormFields{{"mart", "1001"}, {"ts", "0705090302"}}));

    RunScript(dlg, "document.querySelector('input[value=\"01055556666\"]').click();"
                   "document.getElementById('use').click();");
    QTRY_COMPARE_WITH_TIMEOUT(dlg.result(), int(QDialog::Accepted), kPageTimeout);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.Selected(), std::string("01055556666"));
    QVERIFY(boxes.shown().empty());
    QCOMPARE(m_fx.sim().Requests().Count("PAGE"), 1); // the hand-over never reached the center
}

void TestCallbackSelectDlg::emptyOrBlankChoiceKeepsTheDialogOpen() {
    struct Row {
        const char* name;
        const char* page; // a raw page standing in for the center's, or nullptr for the real one
        std::string selected;
    };
    const Row rows[] = {
        {"nothing checked", nullptr, ""},
        {"blanks only", "   ", ""},
        {"blanks around a number", "  0212345678 \\n", "0212345678"},
    };
    for (const Row& r : rows) {
        ScriptedMessages boxes;
        m_fx.sim().Reset();
        if (r.page) {
            zmsg::sim::Fault fault;
            fault.verb = "PAGE";
            fault.kind = zmsg::sim::FaultKind::Raw;
            fault.body =
                std::string("<html><head><meta charset=\"utf-8\"><script>function jsGetCopyCallback()"
                            " { return '") +
                r.page +
                "'; }</script></head><body><button id=\"use\" onclick=\"location.href="
                "'SelCallback.aspx?DoCopyCallbackToApp'\">선택</button></body></html>";
            m_fx.sim().Faults().Arm(fault);
        }
        CCallbackSelectDlg dlg(1001);
        QVERIFY2(OpenAndLoad(dlg), r.name);
        RunScript(dlg, "document.getElementById('use').click();");
        if (!r.selected.empty()) {
            QTRY_COMPARE_WITH_TIMEOUT(dlg.result(), int(QDialog::Accepted), kPageTimeout);
            QCOMPARE(dlg.Selected(), r.selected);
            QVERIFY(boxes.shown().empty());
            continue;
        }
        QTRY_COMPARE_WITH_TIMEOUT(boxes.shown().size(), size_t(1), kPageTimeout);
        QCOMPARE(boxes.texts().front(), std::string(kNothingChosen));
        QVERIFY2(dlg.isVisible(), r.name);
        QCOMPARE(dlg.Selected(), std::string());

        // Still usable: a number chosen afterwards is taken (on the center's own page).
        if (!r.page) {
            RunScript(dlg, "document.querySelector('input[value=\"0212345678\"]').click();"
                           "document.getElementById('use').click();");
            QTRY_COMPARE_WITH_TIMEOUT(dlg.result(), int(QDialog::Accepted), kPageTimeout);
            QCOMPARE(dlg.Selected(), std::string("0212345678"));
        }
    }
}

void TestCallbackSelectDlg::pageThatNeverLoadsLeavesTheDialogUsable() {
    ScriptedMessages boxes;
    SimFixture stopped;
    QVERIFY(stopped.ok());
    stopped.sim().Stop();

    CCallbackSelectDlg dlg(1001);
    QVERIFY(OpenAndLoad(dlg, false));
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.CancelButton()->isEnabled());
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.Selected(), std::string());
    QVERIFY(boxes.shown().empty());

    // The same through the caller's entry point, closed with Esc.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, [timer] {
        if (auto* modal = qobject_cast<CCallbackSelectDlg*>(QApplication::activeModalWidget())) {
            timer->stop();
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    timer->start(10);
    QVERIFY(!CCallbackSelectDlg::Choose(1001, nullptr).has_value());
    delete timer;
}

QTEST_MAIN(TestCallbackSelectDlg)
#include "test_callbackselectdlg.moc"
