// The image editor as the user meets it, offscreen: the file choice first, the picture fitted with its
// zoom and selection shown, the buttons, the mouse on the handles, and "use the selection" writing the
// JPEG into the window's own file, or saying why not.
#include <QtTest>

#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "frame/moduleapp.h"
#include "frame/widgets/openfiledlg.h"
#include "smms/ui/imageeditdlg.h"
#include "smms/ui/imageeditview.h"
#include "smms/uploadfile.h"
#include "tests/smms/testimages.h"
#include "tests/support/scriptedfiles.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

using namespace testimages;

namespace {

void Drag(QWidget* viewport, QPoint from, QPoint to) {
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), viewport->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
}

// Acts on the editor once it is up; whatever the checks found, the editor is closed afterwards, so a
// failed check ends the test instead of leaving it waiting.
void WhenEditorUp(std::function<void(CImageEditDlg&)> act) {
    WhenModal<CImageEditDlg>([act](CImageEditDlg& d) {
        act(d);
        if (d.isVisible())
            d.reject();
    });
}

} // namespace

class ImageEditDlgTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        g_strHostDir = m_dir.path().toStdString() + "/";
        m_big = m_dir.filePath(QStringLiteral("big.jpg"));
        QVERIFY(WriteFile(m_big, Jpeg(Quadrants(4000, 3000), 50)));
    }

    void cancelledChoiceEndsBeforeShowing() {
        ScriptedFiles files;
        files.setNextCancel();
        CImageEditDlg dlg("unused.jpg");
        // An unscripted exec() would hang here: the editor never shows.
        QCOMPARE(dlg.DoModal(), int(QDialog::Rejected));
        QVERIFY(!dlg.IsReady());
        QVERIFY(dlg.ResultPath().empty());
        QCOMPARE(files.requests().size(), size_t(1));
        const OpenFileRequest& r = files.requests().front();
        QCOMPARE(r.defaultExt, std::string("jpg"));
        QVERIFY(r.mustExist);
        // Five entries are offered: the "||" after the BMP entry ends the list.
        const auto entries = ParseFileFilter(r.filter);
        QCOMPARE(entries.size(), size_t(5));
        QCOMPARE(zmsg::Cp949ToUtf8(entries[0].text), std::string("이미지 파일 (jpg.png.gif.bmp)"));
        QCOMPARE(entries[0].patterns, (std::vector<std::string>{"*.jpg", "*.png", "*.gif", "*.bmp"}));
        QCOMPARE(zmsg::Cp949ToUtf8(entries[4].text), std::string("BMP (*.bmp)"));
        // As Qt's own dialog offers them.
        const QStringList offered = QtNameFilters(r.filter);
        QCOMPARE(offered.size(), 5);
        QCOMPARE(offered.front(),
                 QString::fromUtf8("이미지 파일 (jpg.png.gif.bmp) (*.jpg *.png *.gif *.bmp)"));
        QCOMPARE(offered.back(), QStringLiteral("BMP (*.bmp) (*.bmp)"));
    }

    void zoomRotateDragAndUse() {
        ScriptedFiles files;
        ScriptedMessages boxes;
        files.setNextFile(QFile::encodeName(m_big).toStdString());
        zmsg::SmmsUploadFile upload;
        CImageEditDlg dlg(upload.Path());
        bool acted = false;
        WhenEditorUp([&](CImageEditDlg& d) {
            acted = true;
            // 4000 x 3000 in the 600 x 500 view: 15%, the whole picture selected.
            QCOMPARE(d.View()->viewport()->size(), QSize(600, 500));
            QCOMPARE(d.ZoomText()->text(), QStringLiteral("15%"));
            QCOMPARE(d.SizeText()->text(), QStringLiteral("600 x 450"));
            d.ZoomInButton()->click();
            QCOMPARE(d.ZoomText()->text(), QStringLiteral("25%"));
            QCOMPARE(d.SizeText()->text(), QStringLiteral("1000 x 750"));
            d.ZoomOutButton()->click();
            d.ZoomOutButton()->click(); // 15% is just under 0.15f: the small step
            QCOMPARE(d.ZoomText()->text(), QStringLiteral("14%"));
            QCOMPARE(d.SizeText()->text(), QStringLiteral("560 x 420"));

            // Turned: the zoom stays, the selection is the whole picture again.
            d.RotateCwButton()->click();
            QCOMPARE(d.SizeText()->text(), QStringLiteral("420 x 560"));
            QCOMPARE(d.ZoomText()->text(), QStringLiteral("14%"));
            d.RotateCcwButton()->click();
            QCOMPARE(d.SizeText()->text(), QStringLiteral("560 x 420"));

            // The bottom-right handle dragged up and left; then a drag that would leave it 10 wide.
            QWidget* vp = d.View()->viewport();
            Drag(vp, QPoint(560, 420), QPoint(460, 370));
            QCOMPARE(d.SizeText()->text(), QStringLiteral("460 x 370"));
            Drag(vp, QPoint(0, 185), QPoint(450, 185));
            QCOMPARE(d.SizeText()->text(), QStringLiteral("460 x 370"));
            // The selection itself moved by its inside.
            Drag(vp, QPoint(200, 200), QPoint(250, 220));
            QCOMPARE(d.View()->Editor().Selection(), (zmsg::EdgeRect{50, 20, 510, 390}));
            QCOMPARE(d.View()->DragMode(), zmsg::ImageEditor::kDragNone);

            // Used from a reduced view: raised to 14% x min(960/460, 960/370), then saved.
            d.UseButton()->click();
        });
        QCOMPARE(dlg.DoModal(), int(QDialog::Accepted));
        QVERIFY(acted);
        QVERIFY(boxes.shown().empty());
        QCOMPARE(dlg.ResultPath(), upload.Path());
        QCOMPARE(dlg.ZoomText()->text(), QStringLiteral("29%"));
        const zmsg::EdgeRect sel = dlg.View()->Editor().Selection();
        QVERIFY(std::abs(sel.Width() - 960) <= 1);
        QImageReader reader(QString::fromStdString(upload.Path()));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(sel.Width(), sel.Height()));
        QFile saved(QString::fromStdString(upload.Path()));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const std::vector<int> q = QuantisationValues(saved.readAll());
        QVERIFY(!q.empty());
        QCOMPARE(std::count(q.begin(), q.end(), 1), static_cast<long>(q.size()));
    }

    void twoWindowsKeepTheirOwnPictures() {
        const QString small = m_dir.filePath(QStringLiteral("small.png"));
        QVERIFY(Quadrants(300, 200).save(small, "PNG"));
        zmsg::SmmsUploadFile first, second;
        for (auto* upload : {&first, &second}) {
            ScriptedFiles files;
            files.setNextFile(QFile::encodeName(upload == &first ? m_big : small).toStdString());
            CImageEditDlg dlg(upload->Path());
            WhenEditorUp([](CImageEditDlg& d) { d.UseButton()->click(); });
            QCOMPARE(dlg.DoModal(), int(QDialog::Accepted));
        }
        // The first was raised from 15% to 24% when used: about 960 x 720.
        const QSize firstSize = QImageReader(QString::fromStdString(first.Path())).size();
        QVERIFY(std::abs(firstSize.width() - 960) <= 1 && std::abs(firstSize.height() - 720) <= 1);
        QCOMPARE(QImageReader(QString::fromStdString(second.Path())).size(), QSize(300, 200));
    }

    void damagedFileIsRefusedWithAMessage() {
        const QString broken = m_dir.filePath(QStringLiteral("broken.jpg"));
        QVERIFY(WriteFile(broken, Jpeg(Quadrants(100, 100)).left(100)));
        ScriptedFiles files;
        ScriptedMessages boxes;
        files.setNextFile(QFile::encodeName(broken).toStdString());
        CImageEditDlg dlg(m_dir.filePath(QStringLiteral("never.jpg")).toStdString());
        WhenEditorUp([&](CImageEditDlg& d) {
            QTRY_COMPARE(boxes.texts(), std::vector<std::string>{"지정된 이미지를 불러올 수 없습니다!\n" +
                                                                 broken.toStdString()});
            QCOMPARE(d.SizeText()->text(), QStringLiteral("0 x 0"));
            d.UseButton()->click();
            QCOMPARE(boxes.texts().back(), std::string("이미지에서 사용할 영역을 올바르게 선택해 주세요."));
            QVERIFY(d.isVisible());
        });
        QCOMPARE(dlg.DoModal(), int(QDialog::Rejected));
        QVERIFY(dlg.ResultPath().empty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.jpg"))));
    }

    void unwritableFileKeepsTheEditorOpen() {
        ScriptedFiles files;
        ScriptedMessages boxes;
        files.setNextFile(QFile::encodeName(m_big).toStdString());
        CImageEditDlg dlg(m_dir.filePath(QStringLiteral("no/such/folder.jpg")).toStdString());
        WhenEditorUp([&](CImageEditDlg& d) {
            d.UseButton()->click();
            QCOMPARE(boxes.texts(), std::vector<std::string>{"선택된 이미지영역을 저장할 수 없습니다."});
            QVERIFY(d.isVisible());
        });
        QCOMPARE(dlg.DoModal(), int(QDialog::Rejected));
        QVERIFY(dlg.ResultPath().empty());
    }

private:
    QTemporaryDir m_dir;
    QString m_big;
};

QTEST_MAIN(ImageEditDlgTest)
#include "test_imageeditdlg.moc"
