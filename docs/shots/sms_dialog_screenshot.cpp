// Renders the SMS dialog over the sample store database and the simulated center into PNGs for the
// docs, with the list and with the center's sample page (written beside it as sms-web-panel.png),
// after three sends (sms-dialog-sent.png, sms-reserved-history.png, sms-unknown-outcome.png) and with
// the combined send and a picture (sms-dialog-combined.png):
//   QT_QPA_PLATFORM=offscreen zmsg_sms_dialog_screenshot docs/sms-dialog.png
#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "center/web/webbrowser2.h"
#include "db/sqldirect.h"
#include "frame/messagebox.h"
#include "frame/widgets/messagedlg.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "sim/faultplan.h"
#include "smms/ui/imageeditdlg.h"
#include "sms/ui/smsdlg.h"
#include "sms/ui/smswebpanel.h"
#include "tests/support/scriptedfiles.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

namespace {

// The module's own box, as it would stand over the dialog: drawn once, to be laid over a picture.
QImage BoxImage(const ShownMessage& shown) {
    CMessageDlg box(zmsg::K(shown.text), shown.type, shown.color, 0);
    box.show();
    QCoreApplication::processEvents();
    const QImage image = box.grab().toImage();
    box.hide();
    return image;
}

// The dialog with a box centred over it.
bool SaveWithBox(QWidget& dlg, const QImage& box, const QString& path) {
    QImage all = dlg.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QPainter p(&all);
    const QPoint at((all.width() - box.width()) / 2, (all.height() - box.height()) / 2);
    p.fillRect(QRect(at + QPoint(3, 3), box.size()), QColor(0, 0, 0, 60)); // its shadow
    p.drawImage(at, box);
    p.end();
    if (all.save(path))
        return true;
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
}

// The sends of the README: the report over the dialog the send left, a reserved send on the sending
// history, and an end whose reply was lost, with the line that says which send waits.
bool Sends(CSQLDirect& db, SimFixture& fx, const QString& folder) {
    ScriptedMessages boxes;
    QImage box;
    boxes.setOnShow([&](const ShownMessage& shown) {
        if (shown.color == kColorSuccess || shown.text.find("통신실패") != std::string::npos)
            box = BoxImage(shown);
    });
    auto prepare = [&](CSMSDlg& dlg, const QString& text) {
        dlg.resize(1100, 700);
        dlg.show();
        auto* grid = dlg.findChild<CTrellisEx*>(QStringLiteral("recipientGrid"));
        if (!QTest::qWaitFor([&] { return grid->GetRowCount() > 1; }, 10000))
            return false;
        QTest::qWait(300);
        dlg.findChild<QPlainTextEdit*>(QStringLiteral("messageEditor"))->setPlainText(text);
        dlg.findChild<QCheckBox*>(QStringLiteral("noAdCheck"))->setChecked(true);
        return true;
    };

    // An immediate send to members: the report is read over the dialog as the send left it.
    {
        CSMSDlg dlg(&db, 1, 0, "", "AND mem_code<=30");
        if (!dlg.Start() ||
            !prepare(dlg, QStringLiteral("[행복마트] 내일(일) 정기휴무입니다. 월요일에 뵙겠습니다.")))
            return false;
        dlg.findChild<QPushButton*>(QStringLiteral("sendButton"))->click();
        // The dialog has closed; it is shown again as it stood behind the report.
        dlg.show();
        QTest::qWait(200);
        if (box.isNull() || !SaveWithBox(dlg, box, folder + QStringLiteral("/sms-dialog-sent.png")))
            return false;
        dlg.hide();
    }
    // A reserved send to employees: the dialog stays on the sending history, which lists it.
    {
        box = QImage();
        CSMSDlg dlg(&db, 1, 1, "1,2,3", "");
        if (!dlg.Start() || !prepare(dlg, QStringLiteral("내일 오전 회의는 10시 30분입니다.")))
            return false;
        dlg.findChild<QCheckBox*>(QStringLiteral("reserveCheck"))->click();
        dlg.findChild<QDateEdit*>(QStringLiteral("reserveDate"))->setDate(QDate::currentDate().addDays(1));
        dlg.findChild<QComboBox*>(QStringLiteral("reserveHour"))->setCurrentIndex(9);
        CWebBrowser2* browser = dlg.findChild<CSmsWebPanel*>(QStringLiteral("webPanel"))->Browser();
        bool loaded = false;
        QObject::connect(browser, &CWebBrowser2::DocumentComplete, [&](bool ok) { loaded = ok; });
        dlg.findChild<QPushButton*>(QStringLiteral("sendButton"))->click();
        if (!QTest::qWaitFor([&] { return loaded; }, 30000))
            return false;
        QTest::qWait(1500);
        if (!dlg.grab().save(folder + QStringLiteral("/sms-reserved-history.png")))
            return false;
        dlg.done(0);
    }
    // The combined send checked, a picture chosen through the image editor (sms-dialog-combined.png).
    {
        CSMSDlg dlg(&db, 1, 0, "", "AND mem_code<=60");
        if (!dlg.Start() ||
            !prepare(dlg, QStringLiteral("[행복마트] 주말 특가! 앱 회원은 사진으로 확인하세요.")))
            return false;
        dlg.findChild<QCheckBox*>(QStringLiteral("combinedCheck"))->click();
        QTemporaryDir pictures;
        const QString picture = pictures.filePath(QStringLiteral("sale.jpg"));
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(QColor(250, 200, 60));
        if (!image.save(picture))
            return false;
        ScriptedFiles files;
        files.setNextFile(picture.toStdString());
        WhenModal<CImageEditDlg>([](CImageEditDlg& d) { d.UseButton()->click(); });
        dlg.findChild<QPushButton*>(QStringLiteral("imageButton"))->click();
        QTest::qWait(200);
        if (!dlg.grab().save(folder + QStringLiteral("/sms-dialog-combined.png")))
            return false;
        dlg.done(0);
    }
    // An end whose reply never comes: the message says what the next press does, the dialog which
    // send waits.
    {
        box = QImage();
        for (int nth = 1; nth <= 3; ++nth) {
            zmsg::sim::Fault f;
            f.verb = "SMSEND";
            f.nth = nth;
            f.kind = nth == 1 ? zmsg::sim::FaultKind::CloseAfter : zmsg::sim::FaultKind::CloseBefore;
            fx.sim().Faults().Arm(f);
        }
        CSMSDlg dlg(&db, 1, 0, "", "AND mem_code<=60 AND mem_code>30");
        if (!dlg.Start() || !prepare(dlg, QStringLiteral("[행복마트] 주말 과일 특가! 사과 한 봉 5,000원.")))
            return false;
        dlg.findChild<QPushButton*>(QStringLiteral("sendButton"))->click();
        QTest::qWait(200);
        if (box.isNull() || !SaveWithBox(dlg, box, folder + QStringLiteral("/sms-unknown-outcome.png")))
            return false;
        dlg.done(0);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // The page is painted only by Qt Quick's software renderer when there is no GPU.
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("NanumGothic"), 9));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sms-dialog.png");
    QDir().mkpath(QFileInfo(out).absolutePath());

    SimFixture fx;
    const TestFolders folders; // the draft and the journal of the sends below stay out of the tree
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
    const QString folder = QFileInfo(out).absolutePath();
    const QString web = folder + QStringLiteral("/sms-web-panel.png");
    if (!dlg.grab().save(web)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(web));
        return 1;
    }
    dlg.findChild<QPushButton*>(QStringLiteral("pageButton2027"))->click();
    return Sends(db, fx, folder) ? 0 : 1;
}
