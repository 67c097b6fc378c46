// The image editor's picture work without a window: opening upright, turning, the zoom steps and
// their limits, the selection with its 20-pixel minimum, the "use the selection"
// rule and the saved JPEG.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include "smms/imageeditor.h"
#include "tests/smms/testimages.h"

using namespace testimages;
using zmsg::EdgeRect;
using zmsg::ImageEditor;

namespace {

constexpr int kDpi = 96;
const QSize kView(600, 500);

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

class ImageEditorTest : public ::testing::Test {
protected:
    std::string Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return QFile::encodeName(path).toStdString();
    }
    QTemporaryDir m_dir;
};

} // namespace

// Zoom in / zoom out from a zoom: the steps, the snaps to 100% and the limits, at their exact edges.
// The constants are single-precision, so 0.1 itself still takes the small step (0.1 < 0.1f).
struct ZoomCase {
    const char* name;
    double from;
    std::optional<double> in;
    std::optional<double> out;
};
class ZoomStepTest : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomStepTest, StepsFrom) {
    const ZoomCase& c = GetParam();
    const auto in = ImageEditor::ZoomInStep(c.from);
    const auto out = ImageEditor::ZoomOutStep(c.from);
    ASSERT_EQ(in.has_value(), c.in.has_value());
    if (in) {
        EXPECT_DOUBLE_EQ(*in, *c.in);
    }
    ASSERT_EQ(out.has_value(), c.out.has_value());
    if (out) {
        EXPECT_DOUBLE_EQ(*out, *c.out);
    }
}

constexpr double f(float v) {
    return static_cast<double>(v);
}

INSTANTIATE_TEST_SUITE_P(
    Zoom, ZoomStepTest,
    ::testing::Values(ZoomCase{"floor", 0.05, 0.05 + f(0.01f), std::nullopt},
                      ZoomCase{"tenth", 0.1, 0.1 + f(0.01f), 0.1 - f(0.01f)},
                      ZoomCase{"above_tenth", 0.1000001, 0.1000001 + f(0.1f), 0.1000001 - f(0.01f)},
                      ZoomCase{"half", 0.5, 0.5 + f(0.1f), 0.5 - f(0.1f)},
                      ZoomCase{"ninety_five", 0.95, 1.0, 0.95 - f(0.1f)},
                      ZoomCase{"one", 1.0, 1.0 + f(0.1f), 1.0 - f(0.1f)},
                      ZoomCase{"one_oh_five", 1.05, 1.05 + f(0.1f), 1.0},
                      ZoomCase{"ceiling", 3.0, std::nullopt, 3.0 - f(0.1f)}),
    [](const ::testing::TestParamInfo<ZoomCase>& info) { return std::string(info.param.name); });

TEST(ZoomWalkTest, PressesRunIntoTheLimits) {
    // From the fitted 15% up: 100% is met exactly on the way, and the last step passes 3.0.
    double z = 0.15;
    bool metHundred = false;
    while (const auto next = ImageEditor::ZoomInStep(z)) {
        z = *next;
        metHundred = metHundred || z == 1.0;
    }
    EXPECT_TRUE(metHundred);
    EXPECT_GE(z, 3.0);
    EXPECT_LT(z, 3.0 + 0.1 + 1e-6);
    // And down again: through 100% exactly, then to the floor, which is never passed by more than a step.
    metHundred = false;
    while (const auto next = ImageEditor::ZoomOutStep(z)) {
        z = *next;
        metHundred = metHundred || z == 1.0;
    }
    EXPECT_TRUE(metHundred);
    EXPECT_LE(z, f(0.05f));
    EXPECT_GT(z, 0.04 - 1e-9);
}

TEST_F(ImageEditorTest, OpensFittedNeverEnlarged) {
    // A 4000 x 3000 picture in a 600 x 500 view, one screen pixel per picture pixel, opens at 15%.
    ImageEditor editor;
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("big.jpg"), Jpeg(Quadrants(4000, 3000), 50)), kView, kDpi));
    EXPECT_DOUBLE_EQ(editor.Resolution(), 1.0);
    EXPECT_DOUBLE_EQ(editor.Zoom(), 0.15);
    EXPECT_EQ(editor.RenderedSize(), QSize(600, 450));
    EXPECT_EQ(editor.Selection(), (EdgeRect{0, 0, 600, 450}));
    EXPECT_FALSE(editor.UserSelection());
    const QImage shown = editor.Render(QRect(0, 0, 600, 450));
    EXPECT_TRUE(Near(At(shown, 150, 110), kRed));
    EXPECT_TRUE(Near(At(shown, 450, 340), kYellow));

    // A small picture is shown at 100%, not blown up.
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("small.png"),
                                  [] {
                                      QByteArray b;
                                      QBuffer buf(&b);
                                      buf.open(QIODevice::WriteOnly);
                                      Quadrants(300, 200).save(&buf, "PNG");
                                      return b;
                                  }()),
                            kView, kDpi));
    EXPECT_DOUBLE_EQ(editor.Zoom(), 1.0);
    EXPECT_EQ(editor.RenderedSize(), QSize(300, 200));

    // A picture that says 72 dots per inch shows a third larger on a 96-dpi screen, and fits by that.
    QImage print = Quadrants(300, 200);
    print.setDotsPerMeterX(2835);
    print.setDotsPerMeterY(2835);
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("print.jpg"), Jpeg(print)), QSize(200, 200), kDpi));
    EXPECT_DOUBLE_EQ(editor.Resolution(), 96.0 / 72.0);
    EXPECT_DOUBLE_EQ(editor.Zoom(), 0.5);
    EXPECT_EQ(editor.RenderedSize(), QSize(200, 133));
}

TEST_F(ImageEditorTest, OpensA48MegapixelPhoto) {
    // 192 MB decoded: over Qt's default limit of what it will decode.
    QImage photo(8000, 6000, QImage::Format_RGB32);
    photo.fill(kGreen);
    ImageEditor editor;
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("phone.jpg"), Jpeg(photo, 10)), kView, kDpi));
    EXPECT_EQ(editor.Image().size(), QSize(8000, 6000));
}

TEST_F(ImageEditorTest, TurnsBothWaysKeepingTheZoom) {
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(400, 200), QSize(1000, 1000), kDpi));
    editor.SetZoom(0.5);
    ASSERT_TRUE(editor.MoveSel(10, 10, -50, -50));
    ASSERT_TRUE(editor.UserSelection());

    ASSERT_TRUE(editor.Rotate(true));
    EXPECT_EQ(editor.Image().size(), QSize(200, 400));
    EXPECT_DOUBLE_EQ(editor.Zoom(), 0.5);
    EXPECT_EQ(editor.RenderedSize(), QSize(100, 200));
    EXPECT_EQ(editor.Selection(), (EdgeRect{0, 0, 100, 200}));
    EXPECT_FALSE(editor.UserSelection());
    // Clockwise: the bottom-left quadrant comes to the top left.
    const QImage cw = editor.Image();
    EXPECT_EQ(At(cw, 50, 100), kBlue);
    EXPECT_EQ(At(cw, 150, 100), kRed);
    EXPECT_EQ(At(cw, 50, 300), kYellow);
    EXPECT_EQ(At(cw, 150, 300), kGreen);

    ASSERT_TRUE(editor.Rotate(false));
    EXPECT_EQ(editor.Image(), Quadrants(400, 200).convertToFormat(editor.Image().format()));
    ASSERT_TRUE(editor.Rotate(false));
    // Counter-clockwise: the top-right quadrant comes to the top left.
    const QImage ccw = editor.Image();
    EXPECT_EQ(At(ccw, 50, 100), kGreen);
    EXPECT_EQ(At(ccw, 150, 100), kYellow);
    EXPECT_EQ(At(ccw, 50, 300), kRed);
    EXPECT_EQ(At(ccw, 150, 300), kBlue);
    // What is shown turned with it, from the reduced levels too.
    EXPECT_TRUE(Near(At(editor.Render(QRect(0, 0, 100, 200)), 25, 50), kGreen));

    ImageEditor empty;
    EXPECT_FALSE(empty.Rotate(true));
}

TEST_F(ImageEditorTest, RefusedMovesChangeNothing) {
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(400, 300), QSize(1000, 1000), kDpi));
    EXPECT_FALSE(editor.MoveSel(0, 0, 0, 0));
    EXPECT_FALSE(editor.UserSelection());
    ASSERT_TRUE(editor.MoveSel(100, 100, -200, -150)); // (100, 100) - (300, 250)

    // Down to exactly 20 pixels either way, not one less.
    ASSERT_TRUE(editor.Drag(ImageEditor::kDragMiddleRight, {-180, 0}));
    EXPECT_EQ(editor.Selection().Width(), 20);
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragMiddleRight, {-1, 0}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragMiddleLeft, {1, 0}));
    ASSERT_TRUE(editor.Drag(ImageEditor::kDragBottomMiddle, {0, -130}));
    EXPECT_EQ(editor.Selection(), (EdgeRect{100, 100, 120, 120}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragTopMiddle, {0, 1}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragTopLeft, {300, 300})); // inside out
    EXPECT_EQ(editor.Selection(), (EdgeRect{100, 100, 120, 120}));

    // Never out of the picture: to the very edges, not a pixel past them.
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragMove, {-101, 0}));
    EXPECT_TRUE(editor.Drag(ImageEditor::kDragMove, {-100, -100}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragMove, {0, -1}));
    EXPECT_TRUE(editor.Drag(ImageEditor::kDragMove, {380, 280}));
    EXPECT_EQ(editor.Selection(), (EdgeRect{380, 280, 400, 300}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragBottomRight, {1, 0}));
    EXPECT_FALSE(editor.Drag(ImageEditor::kDragNone, {-5, -5}));
    EXPECT_EQ(editor.Selection(), (EdgeRect{380, 280, 400, 300}));
}

TEST_F(ImageEditorTest, ZoomCarriesTheUsersSelection) {
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(400, 300), QSize(1000, 1000), kDpi));
    // Untouched, the selection stays the whole picture at every zoom.
    editor.SetZoom(0.5);
    EXPECT_EQ(editor.RenderedSize(), QSize(200, 150));
    EXPECT_EQ(editor.Selection(), (EdgeRect{0, 0, 200, 150}));
    // Made by the user, it scales with the picture (truncated).
    ASSERT_TRUE(editor.MoveSel(33, 21, -100, -50)); // (33, 21) - (133, 121)
    editor.SetZoom(1.0);
    EXPECT_EQ(editor.Selection(), (EdgeRect{66, 42, 266, 242}));
    editor.SetZoom(0.3);
    EXPECT_EQ(editor.Selection(), (EdgeRect{19, 12, 79, 72}));
    EXPECT_TRUE(editor.UserSelection());
}

TEST_F(ImageEditorTest, UseRuleRaisesAReducedView) {
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(2000, 1600), QSize(1000, 1000), kDpi));
    ASSERT_DOUBLE_EQ(editor.Zoom(), 0.5);
    // A 300 x 200 selection at 50%: raised by min(3.2, 4.8), capped at 100%.
    ASSERT_TRUE(editor.MoveSel(100, 50, -700, -600));
    ASSERT_EQ(editor.Selection(), (EdgeRect{100, 50, 400, 250}));
    ASSERT_TRUE(editor.ZoomForUse());
    EXPECT_DOUBLE_EQ(*editor.ZoomForUse(), 1.0);
    // 600 x 300: raised by min(1.6, 3.2) to 80%.
    ASSERT_TRUE(editor.Drag(ImageEditor::kDragMiddleRight, {300, 0}));
    ASSERT_TRUE(editor.Drag(ImageEditor::kDragBottomMiddle, {0, 100}));
    EXPECT_DOUBLE_EQ(*editor.ZoomForUse(), 0.8);
    editor.SetZoom(*editor.ZoomForUse());
    EXPECT_EQ(editor.Selection(), (EdgeRect{160, 80, 1120, 560}));
    // 960 wide or more, or a view at 100%: saved as it is.
    EXPECT_FALSE(editor.ZoomForUse());
    editor.SetZoom(0.5);
    ASSERT_TRUE(editor.Drag(ImageEditor::kDragMiddleRight, {-1, 0}));
    EXPECT_EQ(editor.Selection().Width(), 599);
    EXPECT_TRUE(editor.ZoomForUse());
    editor.SetZoom(1.0);
    EXPECT_FALSE(editor.ZoomForUse());
}

TEST_F(ImageEditorTest, SavesTheSelectionAsShownAtQuality100) {
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(400, 300), QSize(1000, 1000), kDpi));
    const std::string whole = QFile::encodeName(m_dir.filePath(QStringLiteral("whole.jpg"))).toStdString();
    ASSERT_TRUE(editor.SaveSelection(whole));
    QFile file(QString::fromStdString(whole));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::vector<int> q = QuantisationValues(bytes);
    ASSERT_GE(q.size(), 64u);
    EXPECT_EQ(std::count(q.begin(), q.end(), 1), static_cast<long>(q.size()));
    QImage saved;
    ASSERT_TRUE(saved.loadFromData(bytes, "JPEG"));
    EXPECT_EQ(saved.size(), QSize(400, 300));
    EXPECT_TRUE(Near(At(saved, 100, 75), kRed, 4));
    EXPECT_TRUE(Near(At(saved, 300, 225), kYellow, 4));

    // A selection of the bottom-right quadrant of a half-size view: its rendered size, its colours.
    editor.SetZoom(0.5);
    ASSERT_TRUE(editor.MoveSel(100, 75, -100, -75));
    const std::string part = QFile::encodeName(m_dir.filePath(QStringLiteral("part.jpg"))).toStdString();
    ASSERT_TRUE(editor.SaveSelection(part));
    QImageReader reader(QString::fromStdString(part));
    EXPECT_EQ(reader.size(), QSize(100, 75));
    const QImage partImage = reader.read();
    EXPECT_TRUE(Near(At(partImage, 50, 37), kYellow, 4));

    // Below 1% nothing is saved, nor without a file, nor into a folder that is not there.
    QString why;
    EXPECT_FALSE(editor.SaveSelection(m_dir.filePath(QStringLiteral("no/such.jpg")).toStdString(), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(editor.SaveSelection(std::string()));
    editor.SetZoom(0.009);
    EXPECT_FALSE(editor.SaveSelection(part));
    ImageEditor empty;
    EXPECT_FALSE(empty.SaveSelection(part));
}

TEST_F(ImageEditorTest, OpensAPhotoTakenTurnedUpright) {
    const QByteArray plain = Jpeg(Quadrants(80, 40));
    ImageEditor editor;
    // Orientation 6: the camera was turned clockwise; shown turned back, 40 x 80.
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("six.jpg"), WithOrientation(plain, 6)), kView, kDpi));
    QImage up = editor.Image();
    ASSERT_EQ(up.size(), QSize(40, 80));
    EXPECT_TRUE(Near(At(up, 10, 20), kBlue));
    EXPECT_TRUE(Near(At(up, 30, 20), kRed));
    EXPECT_TRUE(Near(At(up, 10, 60), kYellow));
    EXPECT_TRUE(Near(At(up, 30, 60), kGreen));
    EXPECT_EQ(editor.RenderedSize(), QSize(40, 80));
    // Orientation 8: the other way.
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("eight.jpg"), WithOrientation(plain, 8)), kView, kDpi));
    up = editor.Image();
    ASSERT_EQ(up.size(), QSize(40, 80));
    EXPECT_TRUE(Near(At(up, 10, 20), kGreen));
    EXPECT_TRUE(Near(At(up, 30, 20), kYellow));
    EXPECT_TRUE(Near(At(up, 10, 60), kRed));
    EXPECT_TRUE(Near(At(up, 30, 60), kBlue));
    // Orientation 1 is as stored.
    ASSERT_TRUE(editor.Load(Write(QStringLiteral("one.jpg"), WithOrientation(plain, 1)), kView, kDpi));
    EXPECT_EQ(editor.Image().size(), QSize(80, 40));
}

TEST_F(ImageEditorTest, RefusesWhatIsNoPicture) {
    const QByteArray jpeg = Jpeg(Quadrants(200, 100));
    ImageEditor editor;
    ASSERT_TRUE(editor.SetImage(Quadrants(200, 100), kView, kDpi));
    for (const auto& [name, bytes] : std::vector<std::pair<QString, QByteArray>>{
             {QStringLiteral("headonly.jpg"), jpeg.left(100)},
             {QStringLiteral("text.png"), QByteArray("not a picture")},
             {QStringLiteral("empty.bmp"), QByteArray()}}) {
        QString why;
        EXPECT_FALSE(editor.Load(Write(name, bytes), kView, kDpi, &why)) << name.toStdString();
        EXPECT_FALSE(why.isEmpty());
        EXPECT_FALSE(editor.HasImage());
        EXPECT_EQ(editor.RenderedSize(), QSize(0, 0));
        EXPECT_EQ(editor.Selection(), EdgeRect{});
    }
    EXPECT_FALSE(editor.Load("a.jp", kView, kDpi));
    EXPECT_FALSE(editor.Load(m_dir.filePath(QStringLiteral("missing.jpg")).toStdString(), kView, kDpi));
}
