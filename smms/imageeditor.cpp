#include "smms/imageeditor.h"

#include <algorithm>
#include <climits>

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QTransform>

#include "smms/uprightimage.h"

namespace zmsg {

namespace {

// The steps and limits are single-precision values widened, as they always were: repeated steps
// drift by the same hair, and 0.1 itself steps once more (0.1 < 0.1f).
constexpr double kStepSmall = static_cast<double>(0.01f);
constexpr double kStep = static_cast<double>(0.1f);
constexpr double kSnapBelow = static_cast<double>(0.9f);
constexpr double kSnapAbove = static_cast<double>(1.1f);
constexpr double kSmallStepsBelow = static_cast<double>(0.15f);
constexpr double kZoomFloor = static_cast<double>(0.05f);
constexpr double kZoomCeiling = 3.0;
constexpr double kSaveFloor = static_cast<double>(0.01f);

// Halvings stop before a level gets smaller than this on either side.
constexpr int kLevelFloor = 64;
// Rendered sizes are bounded far above any screen, so a picture that states an absurd resolution
// cannot overflow them.
constexpr double kMaxRendered = 1 << 24;

// Each pixel the average of a 2 x 2 block, channel by channel (two channels per 32-bit lane).
QImage Halve(const QImage& src) {
    const int w = src.width() / 2;
    const int h = src.height() / 2;
    QImage out(w, h, src.format());
    if (out.isNull())
        return out;
    for (int y = 0; y < h; ++y) {
        const auto* r0 = reinterpret_cast<const quint32*>(src.constScanLine(2 * y));
        const auto* r1 = reinterpret_cast<const quint32*>(src.constScanLine(2 * y + 1));
        auto* o = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const quint32 a = r0[2 * x], b = r0[2 * x + 1], c = r1[2 * x], d = r1[2 * x + 1];
            const quint32 rb = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) + 0x20002;
            const quint32 ag = ((a >> 8) & 0xFF00FF) + ((b >> 8) & 0xFF00FF) + ((c >> 8) & 0xFF00FF) +
                               ((d >> 8) & 0xFF00FF) + 0x20002;
            o[x] = ((rb >> 2) & 0xFF00FF) | (((ag >> 2) & 0xFF00FF) << 8);
        }
    }
    return out;
}

int RenderedLength(int length, double scale) {
    return static_cast<int>(std::min(length * scale, kMaxRendered));
}

} // namespace

bool ImageEditor::Load(const std::string& path, QSize viewSize, int screenDpi, QString* error) {
    Clear();
    if (path.size() < 5) {
        if (error)
            *error = QStringLiteral("no file name");
        return false;
    }
    QImage image = ReadUprightImage(path, error);
    if (image.isNull())
        return false;
    return SetImage(std::move(image), viewSize, screenDpi);
}

bool ImageEditor::SetImage(QImage image, QSize viewSize, int screenDpi) {
    Clear();
    MakeDrawable(image);
    if (image.isNull())
        return false;
    m_screenDpi = screenDpi;
    BuildLevels(std::move(image));
    RenderSize(true, viewSize);
    SelectAll();
    return true;
}

void ImageEditor::Clear() {
    m_levels.clear();
    m_renderedWidth = m_renderedHeight = 0;
    m_sel = {};
    m_userSel = false;
    ++m_generation;
}

void ImageEditor::BuildLevels(QImage image) {
    m_levels.clear();
    m_levels.push_back(std::move(image));
    while (m_levels.back().width() / 2 >= kLevelFloor && m_levels.back().height() / 2 >= kLevelFloor) {
        QImage half = Halve(m_levels.back());
        if (half.isNull())
            break; // out of memory: the larger levels still draw everything, only more slowly
        m_levels.push_back(std::move(half));
    }
}

void ImageEditor::RenderSize(bool fit, QSize viewSize) {
    const QImage& image = m_levels.front();
    const int dpi = ImageDpiX(image);
    m_resolution = (m_screenDpi > 0 && dpi > 0) ? static_cast<double>(m_screenDpi) / dpi : 1.0;
    if (fit && !viewSize.isEmpty()) {
        const double fx = static_cast<double>(viewSize.width()) / image.width() / m_resolution;
        const double fy = static_cast<double>(viewSize.height()) / image.height() / m_resolution;
        m_zoom = std::min({fx, fy, 1.0});
    }
    m_renderedWidth = RenderedLength(image.width(), m_zoom * m_resolution);
    m_renderedHeight = RenderedLength(image.height(), m_zoom * m_resolution);
    ++m_generation;
}

void ImageEditor::SelectAll() {
    m_sel = {0, 0, m_renderedWidth, m_renderedHeight};
}

bool ImageEditor::Rotate(bool clockwise) {
    if (!HasImage())
        return false;
    QImage turned = m_levels.front().transformed(QTransform().rotate(clockwise ? 90 : -90));
    if (turned.isNull())
        return false;
    BuildLevels(std::move(turned));
    RenderSize(false, QSize());
    SelectAll();
    m_userSel = false;
    return true;
}

std::optional<double> ImageEditor::ZoomInStep(double zoom) {
    if (zoom >= kZoomCeiling)
        return std::nullopt;
    if (zoom <= kStep)
        return zoom + kStepSmall;
    if (zoom >= kSnapBelow && zoom < 1.0)
        return 1.0;
    return zoom + kStep;
}

std::optional<double> ImageEditor::ZoomOutStep(double zoom) {
    if (zoom <= kZoomFloor)
        return std::nullopt;
    if (zoom > 1.0 && zoom < kSnapAbove)
        return 1.0;
    if (zoom >= kSmallStepsBelow)
        return zoom - kStep;
    return zoom - kStepSmall;
}

void ImageEditor::SetZoom(double zoom) {
    const double old = m_zoom;
    m_zoom = zoom;
    if (!HasImage())
        return;
    RenderSize(false, QSize());
    if (m_userSel && old > 0) {
        const double k = zoom / old;
        const auto scaled = [k](int v, int limit) { return std::clamp(static_cast<int>(v * k), 0, limit); };
        m_sel = {scaled(m_sel.left, m_renderedWidth), scaled(m_sel.top, m_renderedHeight),
                 scaled(m_sel.right, m_renderedWidth), scaled(m_sel.bottom, m_renderedHeight)};
    } else {
        SelectAll();
    }
}

bool ImageEditor::MoveSel(int dx, int dy, int dw, int dh) {
    if (dx == 0 && dy == 0 && dw == 0 && dh == 0)
        return false;
    const EdgeRect c{m_sel.left + dx, m_sel.top + dy, m_sel.right + dx + dw, m_sel.bottom + dy + dh};
    if (c.left < 0 || c.top < 0 || c.right > m_renderedWidth || c.bottom > m_renderedHeight ||
        c.Width() < kMinSelection || c.Height() < kMinSelection)
        return false;
    m_sel = c;
    m_userSel = true;
    return true;
}

std::array<EdgeRect, 8> ImageEditor::Handles() const {
    const int midX = (m_sel.left + m_sel.right) / 2;
    const int midY = (m_sel.top + m_sel.bottom) / 2;
    const auto at = [](int x, int y) {
        return EdgeRect{x - kHandleHalf, y - kHandleHalf, x + kHandleHalf, y + kHandleHalf};
    };
    return {at(m_sel.left, m_sel.top), at(m_sel.left, midY),         at(m_sel.left, m_sel.bottom),
            at(midX, m_sel.top),       at(midX, m_sel.bottom),       at(m_sel.right, m_sel.top),
            at(m_sel.right, midY),     at(m_sel.right, m_sel.bottom)};
}

ImageEditor::DragMode ImageEditor::HitTest(QPoint p) const {
    const auto handles = Handles();
    for (size_t i = 0; i < handles.size(); ++i)
        if (handles[i].Contains(p))
            return static_cast<DragMode>(kDragTopLeft + static_cast<int>(i));
    return m_sel.Contains(p) ? kDragMove : kDragNone;
}

bool ImageEditor::Drag(DragMode mode, QPoint d) {
    const int dx = d.x(), dy = d.y();
    switch (mode) {
    case kDragTopLeft:
        return MoveSel(dx, dy, -dx, -dy);
    case kDragMiddleLeft:
        return MoveSel(dx, 0, -dx, 0);
    case kDragBottomLeft:
        return MoveSel(dx, 0, -dx, dy);
    case kDragTopMiddle:
        return MoveSel(0, dy, 0, -dy);
    case kDragBottomMiddle:
        return MoveSel(0, 0, 0, dy);
    case kDragTopRight:
        return MoveSel(0, dy, dx, -dy);
    case kDragMiddleRight:
        return MoveSel(0, 0, dx, 0);
    case kDragBottomRight:
        return MoveSel(0, 0, dx, dy);
    case kDragMove:
        return MoveSel(dx, dy, 0, 0);
    case kDragNone:
        break;
    }
    return false;
}

std::optional<double> ImageEditor::ZoomForUse() const {
    const int w = m_sel.Width(), h = m_sel.Height();
    if (!(m_zoom < 1.0) || w < 1 || h < 1 || w >= kUseSelectionEdge || h >= kUseSelectionEdge)
        return std::nullopt;
    const double edge = kUseSelectionEdge;
    return std::min(m_zoom * std::min(edge / w, edge / h), 1.0);
}

QImage ImageEditor::Render(const QRect& area) const {
    const QRect clip = area & QRect(0, 0, m_renderedWidth, m_renderedHeight);
    if (clip.isEmpty() || !HasImage())
        return QImage();
    size_t level = 0;
    while (level + 1 < m_levels.size() && m_levels[level + 1].width() >= m_renderedWidth &&
           m_levels[level + 1].height() >= m_renderedHeight)
        ++level;
    const QImage& full = m_levels.front();
    const QImage& src = m_levels[level];
    const double scale = m_zoom * m_resolution;

    QImage out(clip.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    // Transparent parts of a picture show, and are saved, on white.
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(-clip.x(), -clip.y());
    painter.scale(scale * full.width() / src.width(), scale * full.height() / src.height());
    painter.drawImage(0, 0, src);
    painter.end();
    return out;
}

bool ImageEditor::SaveSelection(const std::string& path, QString* error) const {
    const auto fail = [error](QString why) {
        if (error)
            *error = std::move(why);
        return false;
    };
    if (m_zoom < kSaveFloor || m_resolution < kSaveFloor)
        return fail(QStringLiteral("zoom too small"));
    if (!HasImage() || m_sel.Width() < 1 || m_sel.Height() < 1)
        return fail(QStringLiteral("no selection"));
    if (path.empty())
        return fail(QStringLiteral("no file to write"));
    const QImage out = Render(m_sel.ToQRect());
    if (out.isNull())
        return fail(QStringLiteral("out of memory"));
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(out))
        return fail(writer.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace zmsg
