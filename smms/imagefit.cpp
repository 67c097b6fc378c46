#include "smms/imagefit.h"

#include <algorithm>

namespace zmsg {

namespace {

struct Span {
    int target = 0;
    int from = 0;
    int length = 0;
};

Span PlaceAxis(int rendering, int area, int align) {
    if (area >= rendering) {
        const int spare = area - rendering;
        return {align == kAlignStart ? 0 : align == kAlignEnd ? spare : spare / 2, 0, rendering};
    }
    const int hidden = rendering - area;
    return {0, align == kAlignStart ? 0 : align == kAlignEnd ? hidden : hidden / 2, area};
}

} // namespace

QSize FitInside(QSize image, QSize area) {
    const long long iw = image.width(), ih = image.height();
    if (iw <= 0 || ih <= 0)
        return QSize(0, 0);
    const long long aw = std::max(0, area.width()), ah = std::max(0, area.height());
    long long w = iw, h = ih;
    if (w > aw) {
        w = aw;
        h = w * ih / iw;
    }
    if (h > ah) {
        h = ah;
        w = h * iw / ih;
    }
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

PreviewPlacement PlaceRendering(QSize rendering, QSize area, int hAlign, int vAlign) {
    const Span x = PlaceAxis(rendering.width(), area.width(), hAlign);
    const Span y = PlaceAxis(rendering.height(), area.height(), vAlign);
    return {QPoint(x.target, y.target), QRect(x.from, y.from, x.length, y.length)};
}

} // namespace zmsg
