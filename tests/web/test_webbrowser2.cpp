// The embedded browser against the simulator's pages: command links become queued calls, page
// functions answer through chained asynchronous calls, and faults in a page change nothing.
#include <QSignalSpy>
#include <QtTest>

#include "center/web/commandpage.h"
#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "frame/operationpump.h"
#include "tests/support/runscript.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

using zmsg::K;

namespace {

// What the SMS dialog's copy does, reduced to what a test can see: the values applied, or nothing.
struct CopyTarget {
    int calls = 0;
    bool queued = true;
    bool applied = false;
    std::string message;
    std::string title;
};

bool Load(CWebBrowser2& browser, const std::string& url) {
    QSignalSpy done(&browser, &CWebBrowser2::DocumentComplete);
    browser.Navigate2(url);
    return done.wait(kPageTimeout) && done.first().first().toBool();
}

zmsg::PageValues Call(CWebBrowser2& browser, std::vector<std::string> names) {
    zmsg::PageValues got;
    bool arrived = false;
    browser.CallPageFunctions(std::move(names), &browser, [&](const zmsg::PageValues& v) {
        got = v;
        arrived = true;
    });
    if (!QTest::qWaitFor([&] { return arrived; }, kPageTimeout))
        got.status = zmsg::PageCallStatus::NoPage;
    return got;
}

} // namespace

class TestWebBrowser2 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_fx.ok()); }
    void init() { m_fx.sim().Reset(); }

    void commandLinksArriveAsQueuedCalls();
    void commandsWaitWhileAnOperationHoldsTheDialog();
    void missingFunctionGivesEmptyValue();
    void scriptErrorsAndUnencodableValuesChangeNothing();

private:
    SimFixture m_fx;
};

void TestWebBrowser2::commandLinksArriveAsQueuedCalls() {
    CWebBrowser2 browser;
    browser.resize(480, 640);
    QObject dialog;
    CopyTarget copy;
    bool commandSeen = false;
    connect(browser.CommandPage(), &CCommandPage::commandFound, &dialog, [&] { commandSeen = true; });
    browser.AddPageCommand(std::string(zmsg::kDoCopyMsgToApp), &dialog, [&] {
        ++copy.calls;
        // Run from the dialog's queue, after the page's navigation request had returned.
        copy.queued = copy.queued && commandSeen;
        browser.CallPageFunctions({"jsGetCopyMsg", "jsGetCopyTitle"}, &dialog,
                                  [&](const zmsg::PageValues& v) {
                                      if (!v.ok() || v.values[0].empty())
                                          return;
                                      copy.applied = true;
                                      copy.message = v.values[0];
                                      copy.title = v.values[1];
                                  });
    });
    browser.AddPageCommand(std::string(zmsg::kDoReloadCall));
    QSignalSpy found(browser.CommandPage(), &CCommandPage::commandFound);

    const std::string tab1 = zmsg::SmsPageUrl(1, 1001, 7);
    QVERIFY(Load(browser, tab1));
    QCOMPARE(browser.title(), QString::fromUtf8("메시지서식"));

    // A click on a sample: the page records its choice and navigates to the command.
    QVERIFY(RunScript(browser, QStringLiteral("document.getElementById('sample2').click()")));
    QTRY_VERIFY_WITH_TIMEOUT(copy.applied, kPageTimeout);
    QCOMPARE(copy.calls, 1);
    QVERIFY(copy.queued);
    QCOMPARE(copy.message, K("[행복마트] 오늘 저녁 7시부터 신선식품 30% 할인합니다. 많이 오세요."));
    QCOMPARE(copy.title, K("신선식품 할인"));
    // The command's navigation was cancelled: the page is where it was.
    QCOMPARE(browser.url().toString().toStdString(), tab1);

    // A sample without a title hands over an empty title.
    copy = {};
    commandSeen = false;
    QVERIFY(RunScript(browser, QStringLiteral("document.getElementById('sample3').click()")));
    QTRY_VERIFY_WITH_TIMEOUT(copy.applied, kPageTimeout);
    QCOMPARE(copy.message, K("[행복마트] 적립 포인트가 5,000점을 넘었습니다. 계산대에서 바로 쓰세요."));
    QCOMPARE(copy.title, std::string());

    // Ordinary links and the command word in lower case navigate as usual.
    copy = {};
    found.clear();
    QSignalSpy loaded(&browser, &CWebBrowser2::DocumentComplete);
    QVERIFY(RunScript(browser, QStringLiteral("location.href = 'appSMS.aspx?tab=2&x=docopymsgtoapp&pm=' + "
                                              "new URLSearchParams(location.search).get('pm')")));
    QVERIFY(loaded.wait(kPageTimeout));
    QCOMPARE(browser.title(), QString::fromUtf8("타점포참조"));
    QVERIFY(browser.url().toString().contains(QStringLiteral("docopymsgtoapp")));
    QCOMPARE(found.count(), 0);

    loaded.clear();
    QVERIFY(RunScript(browser, QStringLiteral("document.querySelectorAll('.tabs a')[4].click()")));
    QVERIFY(loaded.wait(kPageTimeout));
    QCOMPARE(browser.title(), QString::fromUtf8("충전안내"));
    const QUrl help = browser.url();

    // "DoReloadCall" is cancelled and nothing else happens.
    QVERIFY(RunScript(browser, QStringLiteral("document.getElementById('reload').click()")));
    QVERIFY(found.count() > 0 || found.wait(kPageTimeout));
    QCOMPARE(found.first().first().toString(), QStringLiteral("DoReloadCall"));
    QCOMPARE(browser.url(), help);
    QCOMPARE(copy.calls, 0);
    QCOMPARE(m_fx.sim().Requests().Count("PAGE"), 3); // tab 1, tab 2, tab 5: never the command
}

// While a send holds the dialog its windows keep painting, and the page keeps running: a command the
// page sends meanwhile must wait for the send to end, or it could start a second one from inside it.
void TestWebBrowser2::commandsWaitWhileAnOperationHoldsTheDialog() {
    CWebBrowser2 browser;
    browser.resize(480, 640);
    QObject dialog;
    int calls = 0;
    browser.AddPageCommand(std::string(zmsg::kDoCopyMsgToApp), &dialog, [&] { ++calls; });
    QSignalSpy found(browser.CommandPage(), &CCommandPage::commandFound);
    QVERIFY(Load(browser, zmsg::SmsPageUrl(1, 1001, 7)));
    {
        const zmsg::ScopedOperation send;
        QVERIFY(RunScript(browser, QStringLiteral("document.getElementById('sample2').click()")));
        QVERIFY(found.count() > 0 || found.wait(kPageTimeout));
        // Everything the event loop holds is delivered, and still the command waits.
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, kPageTimeout);
}

void TestWebBrowser2::missingFunctionGivesEmptyValue() {
    CWebBrowser2 browser;
    QVERIFY(Load(browser, zmsg::CallbackPageUrl(1001)));
    QVERIFY(
        RunScript(browser, QStringLiteral("document.querySelector('input[value=\"0212345678\"]').click()")));
    const zmsg::PageValues v = Call(browser, {"jsGetCopyMsg", "jsGetCopyCallback", "jsGetCopyTitle"});
    QVERIFY(v.ok());
    QCOMPARE(v.values, (std::vector<std::string>{"", "0212345678", ""}));
}

void TestWebBrowser2::scriptErrorsAndUnencodableValuesChangeNothing() {
    zmsg::sim::Fault fault;
    fault.verb = "PAGE";
    fault.kind = zmsg::sim::FaultKind::Raw;
    fault.body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>고장</title><script>"
                 "function jsGetCopyMsg() { return '할인 안내'; }"
                 "function jsGetCopyTitle() { throw new Error('고장난 페이지'); }"
                 "function jsEmoji() { return '오늘 😀 특가'; }"
                 "function jsNumber() { return 42; }"
                 "</script></head><body>고장</body></html>";
    m_fx.sim().Faults().Arm(fault);

    CWebBrowser2 browser;
    QVERIFY(Load(browser, zmsg::SmsPageUrl(1, 1001, 7)));
    QCOMPARE(browser.title(), QString::fromUtf8("고장"));

    // The message alone would be fine; the title's error spoils the whole hand-over.
    QCOMPARE(Call(browser, {"jsGetCopyMsg"}).values, std::vector<std::string>{K("할인 안내")});
    zmsg::PageValues v = Call(browser, {"jsGetCopyMsg", "jsGetCopyTitle"});
    QVERIFY(v.status == zmsg::PageCallStatus::ScriptError);
    QVERIFY(QString::fromStdString(v.error).contains(QString::fromUtf8("고장난 페이지")));

    // A character no text message can carry is reported, not turned into something else.
    v = Call(browser, {"jsGetCopyMsg", "jsEmoji"});
    QVERIFY(v.status == zmsg::PageCallStatus::Unencodable);
    QCOMPARE(v.badChars, std::vector<std::string>{"😀"});

    // Only strings count.
    v = Call(browser, {"jsNumber"});
    QVERIFY(v.ok());
    QCOMPARE(v.values, std::vector<std::string>{""});

    // A handler whose context is gone is never run.
    bool ran = false;
    {
        QObject gone;
        browser.CallPageFunction("jsGetCopyMsg", &gone, [&](const zmsg::PageValues&) { ran = true; });
    }
    QVERIFY(Call(browser, {"jsGetCopyMsg"}).ok()); // the earlier call has answered by now
    QVERIFY(!ran);
}

QTEST_MAIN(TestWebBrowser2)
#include "test_webbrowser2.moc"
