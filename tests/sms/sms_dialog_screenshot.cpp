// Renders the SMS dialog over the sample store database and the simulated center into PNGs for the
// docs, with the list and with the center's sample page (written beside it as sms-web-panel.png):
//   QT_QPA_PLATFORM=offscreen zmsg_sms_dialog_screenshot docs/sms-dialog.png
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "center/db/sqldirect.h"
#include "center/web/webbrowser2.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "sms/ui/smsdlg.h"
#include "sms/ui/smswebpanel.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"

int main(int argc, char** argv) {
    // The page is painted only by Qt Quick's software renderer when there is no GPU.
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("NanumGothic"), 9));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sms-dialog.png");
    QDir().mkpath(QFileInfo(out).absolutePath());

    SimFixture fx;
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("store.db")).toStdString();
    std::string error;
    CSQLDirect db;
    if (!fx.ok() || !CreateDemoDatabase(path, &error) || !db.Open("sqlite:" + path)) {
        std::fprintf(stderr, "could not prepare the store: %s\n", error.c_str());
        return 1;
    }

    ScriptedMessages boxes; // the load summary is answered, not waited for
    CSMSDlg dlg(&db, 1, 0, "", "AND mem_code<=120");
    if (!dlg.Start())
        return 1;
    dlg.show();
    auto* grid = dlg.findChild<CTrellisEx*>(QStringLiteral("recipientGrid"));
    if (!QTest::qWaitFor([&] { return grid->GetRowCount() > 1 && !boxes.shown().empty(); }, 10000)) {
        std::fprintf(stderr, "the recipients did not load\n");
        return 1;
    }
    auto* editor = dlg.findChild<QPlainTextEdit*>(QStringLiteral("messageEditor"));
    editor->setPlainText(
        QStringLiteral("(광고)\n\n행복마트\n02-1234-5678\n\n주말 과일 특가!\n\n무료수신거부\n"
                       "080-123-4567"));
    QCoreApplication::processEvents();
    if (!dlg.grab().save(out)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        return 1;
    }

    // The sample page, one sample picked into the composer.
    CWebBrowser2* browser = dlg.findChild<CSmsWebPanel*>(QStringLiteral("webPanel"))->Browser();
    bool loaded = false;
    QObject::connect(browser, &CWebBrowser2::DocumentComplete, [&](bool ok) { loaded = ok; });
    dlg.findChild<QPushButton*>(QStringLiteral("pageButton2028"))->click();
    if (!QTest::qWaitFor([&] { return loaded; }, 30000)) {
        std::fprintf(stderr, "the sample page did not load\n");
        return 1;
    }
    browser->page()->runJavaScript(QStringLiteral("document.getElementById('sample2').click()"));
    QTest::qWait(2000); // the renderer paints a moment after the load
    const QString web = QFileInfo(out).absolutePath() + QStringLiteral("/sms-web-panel.png");
    if (!dlg.grab().save(web)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(web));
        return 1;
    }
    return 0;
}
