// Renders the SMS dialog over the sample store database and the simulated center into a PNG for
// the docs:  QT_QPA_PLATFORM=offscreen zmsg_sms_dialog_screenshot docs/sms-dialog.png
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "center/db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "sms/ui/smsdlg.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"

int main(int argc, char** argv) {
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
    return 0;
}
