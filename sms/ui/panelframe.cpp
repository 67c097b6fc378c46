#include "sms/ui/panelframe.h"

#include <QPainter>

#include "frame/widgets/colorref.h"

namespace {
constexpr std::uint32_t kFill = 0xF4F4F4;
constexpr std::uint32_t kEdge = 0x754C12;
} // namespace

CPanelFrame::CPanelFrame(QWidget* parent) : QWidget(parent) {
    setContentsMargins(2, kBand + 1, 2, 2);
}

void CPanelFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, zmsg::ColorFromRef(kFill));
    const QColor edge = zmsg::ColorFromRef(kEdge);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), kBand), edge);
    painter.setPen(QPen(edge, 1));
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}
