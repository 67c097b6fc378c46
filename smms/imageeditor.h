// The picture an app message carries, as the image editor works on it: opened upright, rotated,
// shown at a zoom, and a rectangle of it cut out and saved as a JPEG. No window here: the view draws
// what Render gives and forwards the mouse to Drag.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace zmsg {

// A rectangle by its edges, right and bottom one past the last pixel, as the selection is dragged.
struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(QPoint p) const { return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom; }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }
    bool operator==(const EdgeRect&) const = default;
};

class ImageEditor {
public:
    // What a press on the picture grabbed: nothing, the selection, or one of its eight handles.
    enum DragMode : int {
        kDragNone = 0,
        kDragMove = 1,
        kDragTopLeft = 2,
        kDragMiddleLeft = 3,
        kDragBottomLeft = 4,
        kDragTopMiddle = 5,
        kDragBottomMiddle = 6,
        kDragTopRight = 7,
        kDragMiddleRight = 8,
        kDragBottomRight = 9,
    };
    static constexpr int kMinSelection = 20;      // pixels, both ways
    static constexpr int kHandleHalf = 5;         // handles are 10 x 10, centred
    static constexpr int kUseSelectionEdge = 960; // a smaller selection of a reduced view is saved larger
    static constexpr int kJpegQuality = 100;

    // Opens the file upright and fits it into the view (never enlarged). screenDpi is the screen's
    // horizontal resolution; the picture is shown at its physical size relative to it. On failure the
    // editor holds no picture (and an empty selection) and error says why.
    bool Load(const std::string& path, QSize viewSize, int screenDpi, QString* error = nullptr);
    // The same for a picture already read (upright, 32-bit).
    bool SetImage(QImage image, QSize viewSize, int screenDpi);
    bool HasImage() const { return !m_levels.empty(); }

    // 90 degrees clockwise or counter-clockwise; the zoom is kept and the selection is the whole picture.
    bool Rotate(bool clockwise);

    // The zoom after one press of zoom in / zoom out, or nullopt at the limit. The steps are small
    // near the bottom and snap to 100% on the way past it.
    static std::optional<double> ZoomInStep(double zoom);
    static std::optional<double> ZoomOutStep(double zoom);
    // Renders at the new zoom. A selection the user made is scaled with the picture; otherwise the
    // selection is the whole picture.
    void SetZoom(double zoom);

    // Moves the selection's edges; refused (false, nothing changed) when the result would leave the
    // picture, turn inside out or be narrower or lower than kMinSelection.
    bool MoveSel(int dx, int dy, int dw, int dh);
    // What a press at p (rendered pixels) grabs: handles first, in their order, then the selection.
    DragMode HitTest(QPoint p) const;
    // Moves what mode grabbed by the mouse's movement d.
    bool Drag(DragMode mode, QPoint d);
    // Top-left, middle-left, bottom-left, top-middle, bottom-middle, top-right, middle-right,
    // bottom-right.
    std::array<EdgeRect, 8> Handles() const;

    // The zoom at which "use the selection" saves: raised when the view is reduced and the selection
    // is under kUseSelectionEdge both ways, never above 100%. nullopt when it stays as it is.
    std::optional<double> ZoomForUse() const;
    // Writes the selection as shown (its rendered pixels) as a JPEG of quality kJpegQuality. The file
    // is replaced whole or not at all.
    bool SaveSelection(const std::string& path, QString* error = nullptr) const;

    // The rendered pixels of area (rendered coordinates, clipped to the rendered size).
    QImage Render(const QRect& area) const;

    double Zoom() const { return m_zoom; }
    // Screen dots per inch over the picture's: the rendered size of one picture pixel at zoom 1.
    double Resolution() const { return m_resolution; }
    QSize RenderedSize() const { return QSize(m_renderedWidth, m_renderedHeight); }
    EdgeRect Selection() const { return m_sel; }
    bool UserSelection() const { return m_userSel; }
    // The picture upright and rotated as the user turned it; null when none is open.
    QImage Image() const { return m_levels.empty() ? QImage() : m_levels.front(); }
    // Changes whenever the rendered pixels may have changed (for the view's cache).
    std::uint64_t Generation() const { return m_generation; }

private:
    void Clear();
    void BuildLevels(QImage image);
    void RenderSize(bool fit, QSize viewSize);
    void SelectAll();

    // The picture and its halvings down to a few hundred pixels: a reduced view is drawn from the
    // smallest level that is still at least its size, so it is smoothed from nearby pixels, quickly.
    std::vector<QImage> m_levels;
    int m_screenDpi = 0;
    double m_zoom = 1.0;
    double m_resolution = 1.0;
    int m_renderedWidth = 0;
    int m_renderedHeight = 0;
    EdgeRect m_sel;
    bool m_userSel = false;
    std::uint64_t m_generation = 0;
};

} // namespace zmsg
