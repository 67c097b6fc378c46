// How the preview places a picture in its area: scaled to fit inside without enlarging, then
// aligned (or, when the area is smaller than the rendering, which part of it shows).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace zmsg {

enum PreviewAlign : int { kAlignStart = 0, kAlignCentre = 1, kAlignEnd = 2 };

// The picture's size when it fits inside the area: narrowed to the area's width first, then
// lowered to its height, each keeping the picture's proportions (integer arithmetic).
QSize FitInside(QSize image, QSize area);

struct PreviewPlacement {
    QPoint target; // where the shown part goes in the area
    QRect source;  // the part of the rendering shown
};
// Per axis: an area larger than the rendering places it at the start, middle or end; a smaller one
// shows the start, middle or end of the rendering.
PreviewPlacement PlaceRendering(QSize rendering, QSize area, int hAlign, int vAlign);

} // namespace zmsg
