#include "frame/widgets/moduleicons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace zmsg {
namespace {

void DrawDisc(QPainter& p, int size, const QColor& fill) {
    const qreal m = size / 16.0;
    p.setPen(QPen(fill.darker(140), m));
    p.setBrush(fill);
    p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
}

void DrawGlyph(QPainter& p, int size, const QString& glyph) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(size * 5 / 8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
}

void DrawCross(QPainter& p, int size) {
    p.setPen(QPen(Qt::white, size / 9.0, Qt::SolidLine, Qt::RoundCap));
    const qreal a = size * 0.33, b = size * 0.67;
    p.drawLine(QPointF(a, a), QPointF(b, b));
    p.drawLine(QPointF(a, b), QPointF(b, a));
}

void DrawEnvelope(QPainter& p, int size) {
    const qreal m = size / 8.0;
    const QRectF r(m, size * 0.25, size - 2 * m, size * 0.5);
    p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), size / 16.0));
    p.setBrush(QColor(0xE8, 0xF5, 0xE9));
    p.drawRoundedRect(r, m / 2, m / 2);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center());
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void DrawCheckMark(QPainter& p, int size) {
    p.setPen(QPen(QColor(0x1E, 0x88, 0xE5), size / 6.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(size * 0.2, size * 0.55);
    tick.lineTo(size * 0.42, size * 0.75);
    tick.lineTo(size * 0.8, size * 0.28);
    p.drawPath(tick);
}

} // namespace

QPixmap ModuleIcon(int id, int size) {
    if (id != kIconApp && id != kIconQuestion && id != kIconInfo && id != kIconGridMark && id != kIconError)
        return {};
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case kIconQuestion:
        DrawDisc(p, size, QColor(0x2F, 0x6F, 0xD0));
        DrawGlyph(p, size, QStringLiteral("?"));
        break;
    case kIconInfo:
        DrawDisc(p, size, QColor(0x2F, 0x6F, 0xD0));
        DrawGlyph(p, size, QStringLiteral("i"));
        break;
    case kIconError:
        DrawDisc(p, size, QColor(0xD9, 0x34, 0x2B));
        DrawCross(p, size);
        break;
    case kIconApp:
        DrawEnvelope(p, size);
        break;
    case kIconGridMark:
        DrawCheckMark(p, size);
        break;
    }
    return pm;
}

} // namespace zmsg
