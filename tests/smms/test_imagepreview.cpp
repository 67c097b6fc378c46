// The preview paints a picture scaled to fit inside without enlarging, centred; where the control is
// smaller than the rendering it shows the part its alignment says. Photos taken turned show upright.
#include <QtTest>

#include <QTemporaryDir>

#include "smms/imagefit.h"
#include "smms/ui/imagepreview.h"
#include "tests/smms/testimages.h"

using namespace testimages;

namespace {

const QColor kBack(0, 0, 0);

QImage Shown(CImagePreview& preview) {
    return preview.grab().toImage();
}

// The first and last pixel that is not background along a row (horizontal) or a column, through the
// middle unless told.
QPair<int, int> PaintedSpan(const QImage& shown, bool horizontal, int line = -1) {
    int first = -1, last = -1;
    const int n = horizontal ? shown.width() : shown.height();
    for (int i = 0; i < n; ++i) {
        const int across = line >= 0 ? line : (horizontal ? shown.height() : shown.width()) / 2;
        const QColor c = horizontal ? shown.pixelColor(i, across) : shown.pixelColor(across, i);
        if (c != kBack) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last};
}

} // namespace

class ImagePreviewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void fitArithmetic_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("wide") << QSize(400, 100) << QSize(200, 100) << QSize(200, 50);
        QTest::newRow("tall") << QSize(100, 400) << QSize(200, 100) << QSize(25, 100);
        QTest::newRow("both_too_big") << QSize(1000, 900) << QSize(200, 100) << QSize(111, 100);
        QTest::newRow("small_not_enlarged") << QSize(100, 40) << QSize(200, 100) << QSize(100, 40);
        QTest::newRow("exact") << QSize(200, 100) << QSize(200, 100) << QSize(200, 100);
        QTest::newRow("integer_cut") << QSize(333, 100) << QSize(200, 100) << QSize(200, 60);
        QTest::newRow("no_area") << QSize(100, 100) << QSize(0, 0) << QSize(0, 0);
    }
    void fitArithmetic() {
        QFETCH(QSize, image);
        QFETCH(QSize, area);
        QFETCH(QSize, fitted);
        QCOMPARE(zmsg::FitInside(image, area), fitted);
    }

    void paintsFittedAndCentred() {
        CImagePreview preview;
        Prepare(preview, QSize(200, 100));
        // 400 x 100 shrinks to 200 x 50, centred from row 25.
        QVERIFY(preview.SetImage(Write(QStringLiteral("wide.png"), Solid(QSize(400, 100), kRed))));
        QCOMPARE(preview.RenderedSize(), QSize(200, 50));
        QCOMPARE(PaintedSpan(Shown(preview), false), qMakePair(25, 74));
        QCOMPARE(PaintedSpan(Shown(preview), true), qMakePair(0, 199));
        // 100 x 400 shrinks to 25 x 100, centred from column 87.
        QVERIFY(preview.SetImage(Write(QStringLiteral("tall.png"), Solid(QSize(100, 400), kBlue))));
        QCOMPARE(preview.RenderedSize(), QSize(25, 100));
        QCOMPARE(PaintedSpan(Shown(preview), true), qMakePair(87, 111));
        // 100 x 40 is not enlarged: in the middle, at its own size.
        QVERIFY(preview.SetImage(Write(QStringLiteral("small.png"), Solid(QSize(100, 40), kGreen))));
        QCOMPARE(preview.RenderedSize(), QSize(100, 40));
        QCOMPARE(PaintedSpan(Shown(preview), true), qMakePair(50, 149));
        QCOMPARE(PaintedSpan(Shown(preview), false), qMakePair(30, 69));
        QVERIFY(Near(Shown(preview).pixelColor(100, 50), kGreen, 2));

        // Start and end alignments place it at the edges.
        preview.SetAlignment(zmsg::kAlignStart, zmsg::kAlignEnd);
        QCOMPARE(PaintedSpan(Shown(preview), true, 80), qMakePair(0, 99));
        QCOMPARE(PaintedSpan(Shown(preview), false, 50), qMakePair(60, 99));
        preview.SetAlignment(zmsg::kAlignEnd, zmsg::kAlignStart);
        QCOMPARE(PaintedSpan(Shown(preview), true, 20), qMakePair(100, 199));
        QCOMPARE(PaintedSpan(Shown(preview), false, 150), qMakePair(0, 39));

        // Cleared: nothing painted, no size.
        preview.Clear();
        QCOMPARE(preview.RenderedSize(), QSize(0, 0));
        QCOMPARE(PaintedSpan(Shown(preview), true), qMakePair(-1, -1));
    }

    void smallerControlShowsItsAlignedPart() {
        CImagePreview preview;
        Prepare(preview, QSize(200, 100));
        // Left half red, right half green, rendered 200 x 100; the control then shrinks to 100 x 100.
        QImage halves(200, 100, QImage::Format_RGB32);
        halves.fill(kRed);
        QPainter(&halves).fillRect(100, 0, 100, 100, kGreen);
        QVERIFY(preview.SetImage(Write(QStringLiteral("halves.png"), Png(halves))));
        preview.resize(100, 100);
        QImage shown = Shown(preview);
        QVERIFY(Near(shown.pixelColor(10, 50), kRed, 2)); // the middle: 50 of each
        QVERIFY(Near(shown.pixelColor(90, 50), kGreen, 2));
        preview.SetAlignment(zmsg::kAlignStart, zmsg::kAlignCentre);
        shown = Shown(preview);
        QVERIFY(Near(shown.pixelColor(90, 50), kRed, 2));
        preview.SetAlignment(zmsg::kAlignEnd, zmsg::kAlignCentre);
        shown = Shown(preview);
        QVERIFY(Near(shown.pixelColor(10, 50), kGreen, 2));
    }

    void photoTakenTurnedShowsUpright() {
        CImagePreview preview;
        Prepare(preview, QSize(200, 200));
        QVERIFY(preview.SetImage(
            Write(QStringLiteral("turned.jpg"), WithOrientation(Jpeg(Quadrants(80, 40)), 6))));
        QCOMPARE(preview.RenderedSize(), QSize(40, 80));
        const QImage shown = Shown(preview);
        QVERIFY(Near(shown.pixelColor(80 + 10, 60 + 20), kBlue));
        QVERIFY(Near(shown.pixelColor(80 + 30, 60 + 60), kGreen));
    }

    void unreadableFileFails() {
        CImagePreview preview;
        Prepare(preview, QSize(200, 100));
        QVERIFY(preview.SetImage(Write(QStringLiteral("good.png"), Solid(QSize(50, 50), kRed))));
        QVERIFY(!preview.SetImage(Write(QStringLiteral("bad.jpg"), QByteArray("no picture here"))));
        QCOMPARE(preview.RenderedSize(), QSize(0, 0));
        QVERIFY(preview.ImagePath().empty());
        QVERIFY(!preview.SetImage("x.jp"));
    }

private:
    static void Prepare(CImagePreview& preview, QSize size) {
        QPalette pal = preview.palette();
        pal.setColor(QPalette::Window, kBack);
        preview.setPalette(pal);
        preview.setAutoFillBackground(true);
        preview.resize(size);
    }
    static QByteArray Png(const QImage& image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
    static QByteArray Solid(QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return Png(image);
    }
    std::string Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        if (!WriteFile(path, bytes))
            return std::string();
        return QFile::encodeName(path).toStdString();
    }
    QTemporaryDir m_dir;
};

QTEST_MAIN(ImagePreviewTest)
#include "test_imagepreview.moc"
