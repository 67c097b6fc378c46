// Scripts run in a test's browser page, waited for without a timer of the test's own.
#pragma once

#include <QSignalSpy>
#include <QString>
#include <QTest>
#include <QWebEnginePage>

#include "center/web/commandpage.h"
#include "center/web/webbrowser2.h"

// Long enough for a first page of a cold web engine on a loaded machine.
inline constexpr int kPageTimeout = 30000;

// Runs a script in the browser's page; false when its answer never came.
inline bool RunScript(CWebBrowser2& browser, const QString& script) {
    bool ran = false;
    browser.page()->runJavaScript(script, [&](const QVariant&) { ran = true; });
    return QTest::qWaitFor([&] { return ran; }, kPageTimeout);
}

// Runs a script that makes the page give a command, and waits until the browser has taken it.
inline bool RunCommand(CWebBrowser2& browser, const QString& script) {
    QSignalSpy found(browser.CommandPage(), &CCommandPage::commandFound);
    return RunScript(browser, script) && (found.count() > 0 || found.wait(kPageTimeout));
}
