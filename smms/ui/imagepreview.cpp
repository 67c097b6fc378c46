#include "smms/ui/imagepreview.h"

#include <QPainter>

#include "smms/uprightimage.h"

CImagePreview::CImagePreview(QWidget* parent) : QWidget(parent) {}

int CImagePreview::SetImage(const std::string& path) {
    Clear();
    m_strPath.clear();
    if (path.size() < 5)
        return 0;
    const QImage image = zmsg::ReadUprightImage(path);
    if (image.isNull())
        return 0;
    m_strPath = path;
    const QSize target = zmsg::FitInside(image.size(), contentsRect().size());
    if (!target.isEmpty()) {
        m_rendering = QImage(target, QImage::Format_RGB32);
        if (!m_rendering.isNull()) {
            m_rendering.fill(Qt::white);
            QPainter painter(&m_rendering);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            // Qt's own smooth scaling averages every pixel a rendered pixel covers: a large photo
            // shrunk to a small control keeps its detail instead of aliasing.
            painter.drawImage(QPoint(0, 0),
                              image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }
    update();
    return 1;
}

void CImagePreview::Clear() {
    m_rendering = QImage();
    update();
}

void CImagePreview::SetAlignment(int horizontal, int vertical) {
    m_hAlign = horizontal;
    m_vAlign = vertical;
    update();
}

void CImagePreview::paintEvent(QPaintEvent*) {
    if (m_rendering.width() < 1 || m_rendering.height() < 1)
        return;
    const QRect area = contentsRect();
    const zmsg::PreviewPlacement place =
        zmsg::PlaceRendering(m_rendering.size(), area.size(), m_hAlign, m_vAlign);
    QPainter painter(this);
    painter.drawImage(area.topLeft() + place.target, m_rendering, place.source);
}
