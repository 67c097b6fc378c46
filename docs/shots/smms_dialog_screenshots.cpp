// Renders the app-message dialog over the sample store and the simulated center, with a picture taken
// from the center's image box, and the image editor on the demo's sample picture, into PNGs for the
// docs:
//   QT_QPA_PLATFORM=offscreen zmsg_smms_dialog_screenshots docs res/demo/sample-picture.jpg
// writes docs/smms-dialog.png and docs/image-editor.png.
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "center/web/commandpage.h"
#include "center/web/webbrowser2.h"
#include "db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "smms/ui/imageeditdlg.h"
#include "smms/ui/imageeditview.h"
#include "smms/ui/smmsdlg.h"
#include "tests/support/runscript.h"
#include "tests/support/scriptedfiles.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"

namespace {

constexpr int kWait = 30000;

bool Save(QWidget& widget, const QString& path) {
    if (widget.grab().save(path))
        return true;
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
}

bool Dialog(CSQLDirect& db, const QString& folder) {
    ScriptedMessages boxes;
    CSmmsDlg dlg(&db, 1, "", "AND mem_code <= 300", "");
    if (!dlg.Start())
        return false;
    dlg.resize(1000, 720);
    dlg.show();
    auto* grid = dlg.findChild<CTrellisEx*>(QStringLiteral("memberGrid"));
    if (!QTest::qWaitFor([&] { return grid->GetRowCount() > 1; }, 10000))
        return false;
    dlg.findChild<QComboBox*>(QStringLiteral("signalCombo"))->setCurrentIndex(7); // 15 days
    dlg.findChild<QLineEdit*>(QStringLiteral("titleEdit"))
        ->setText(QStringLiteral("(광고)행복마트 주말 특가"));
    dlg.findChild<QPlainTextEdit*>(QStringLiteral("bodyEdit"))
        ->setPlainText(
            QStringLiteral("이번 주말 신선식품 30% 할인!\n토·일 이틀만, 회원님께만 드리는 가격입니다.\n\n"
                           "행복마트 02-1234-5678"));

    // A picture of the image box, as the clerk picks it on the page.
    bool loaded = false;
    QObject::connect(dlg.Browser(), &CWebBrowser2::DocumentComplete, [&](bool ok) { loaded = ok; });
    dlg.ShowPage(CSmmsDlg::kPageImageBox);
    if (!QTest::qWaitFor([&] { return loaded; }, kWait))
        return false;
    if (!RunScript(*dlg.Browser(), QStringLiteral("document.getElementById('img2').click()")) ||
        !QTest::qWaitFor([&] { return dlg.CenterImage() == 2; }, kWait))
        return false;
    // The members again, with the picture beside them.
    dlg.ShowPage(CSmmsDlg::kPageMembers);
    QTest::qWait(500);
    return Save(dlg, folder + QStringLiteral("/smms-dialog.png"));
}

bool Editor(const QString& folder, const QString& picture) {
    ScriptedFiles files;
    files.setNextFile(picture.toStdString());
    TestFolders here;
    CImageEditDlg editor(here.host() + "edited.jpg");
    bool saved = false;
    QTimer::singleShot(0, [&] {
        if (!QTest::qWaitForWindowExposed(&editor, kWait))
            return editor.reject();
        QTest::qWait(300);
        editor.RotateCcwButton()->click();
        editor.RotateCwButton()->click();
        // A selection dragged in from the corners, as the clerk would crop the picture.
        editor.View()->MoveSel(60, 40, -120, -80);
        QTest::qWait(300);
        saved = Save(editor, folder + QStringLiteral("/image-editor.png"));
        editor.reject();
    });
    editor.DoModal();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: zmsg_smms_dialog_screenshots FOLDER PICTURE\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    SimFixture fx;
    TestFolders folders;
    if (!fx.ok() || !folders.ok())
        return 1;
    const std::string path = folders.host() + "store.db";
    std::string error;
    CSQLDirect db;
    if (!CreateDemoDatabase(path, &error) || !db.Open("sqlite:" + path)) {
        std::fprintf(stderr, "store: %s\n", error.c_str());
        return 1;
    }
    if (!Dialog(db, folder) || !Editor(folder, QString::fromLocal8Bit(argv[2])))
        return 1;
    std::printf("wrote %s/smms-dialog.png and %s/image-editor.png\n", argv[1], argv[1]);
    return 0;
}
