#include "smms/ui/imageeditview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

using zmsg::ImageEditor;

CImageEditView::CImageEditView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Window);
}

int CImageEditView::LoadImage(const std::string& path, QString* error) {
    // The whole area counts when fitting: a fitted picture needs no scroll bars.
    const bool ok = m_editor.Load(path, contentsRect().size(), logicalDpiX(), error);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    Changed();
    return ok ? 1 : 0;
}

bool CImageEditView::Rotate(int direction) {
    const bool ok = m_editor.Rotate(direction == 1);
    Changed();
    return ok;
}

void CImageEditView::SetZoom(double zoom) {
    m_editor.SetZoom(zoom);
    Changed();
    CentreSelection();
}

void CImageEditView::MoveSel(int dx, int dy, int dw, int dh) {
    if (m_editor.MoveSel(dx, dy, dw, dh)) {
        emit selectionChanged();
        viewport()->update();
    }
}

int CImageEditView::SaveSelection(const std::string& path, QString* error) {
    return m_editor.SaveSelection(path, error) ? 1 : 0;
}

void CImageEditView::Changed() {
    UpdateScrollRange();
    emit selectionChanged();
    viewport()->update();
}

QPoint CImageEditView::ScrollPos() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CImageEditView::UpdateScrollRange() {
    const QSize rendered = m_editor.RenderedSize();
    const QSize shown = viewport()->size();
    horizontalScrollBar()->setPageStep(shown.width());
    verticalScrollBar()->setPageStep(shown.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, std::max(0, rendered.width() - shown.width()));
    verticalScrollBar()->setRange(0, std::max(0, rendered.height() - shown.height()));
}

void CImageEditView::CentreSelection() {
    const zmsg::EdgeRect sel = m_editor.Selection();
    const QSize shown = viewport()->size();
    horizontalScrollBar()->setValue(std::max(0, sel.left - (shown.width() - sel.Width()) / 2));
    verticalScrollBar()->setValue(std::max(0, sel.top - (shown.height() - sel.Height()) / 2));
}

void CImageEditView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void CImageEditView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CImageEditView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPoint scroll = ScrollPos();
    const QRect shown = QRect(scroll, viewport()->size()) & QRect(QPoint(0, 0), m_editor.RenderedSize());
    if (shown.isEmpty())
        return;
    if (m_cacheArea != shown || m_cacheGeneration != m_editor.Generation()) {
        m_cache = m_editor.Render(shown);
        m_cacheArea = shown;
        m_cacheGeneration = m_editor.Generation();
    }
    painter.drawImage(shown.topLeft() - scroll, m_cache);

    // The outline and the handles invert what is under them, so they show on any picture.
    painter.translate(-scroll);
    const QRect sel = m_editor.Selection().ToQRect();
    if (sel.isEmpty())
        return;
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(sel.adjusted(0, 0, -1, -1));
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const zmsg::EdgeRect& h : m_editor.Handles())
        painter.drawRect(h.ToQRect());
}

QPoint CImageEditView::ImagePoint(const QMouseEvent* event) const {
    return event->position().toPoint() + ScrollPos();
}

void CImageEditView::SetCursorFor(ImageEditor::DragMode mode) {
    switch (mode) {
    case ImageEditor::kDragTopLeft:
    case ImageEditor::kDragBottomRight:
        viewport()->setCursor(Qt::SizeFDiagCursor);
        break;
    case ImageEditor::kDragMiddleLeft:
    case ImageEditor::kDragMiddleRight:
        viewport()->setCursor(Qt::SizeHorCursor);
        break;
    case ImageEditor::kDragBottomLeft:
    case ImageEditor::kDragTopRight:
        viewport()->setCursor(Qt::SizeBDiagCursor);
        break;
    case ImageEditor::kDragTopMiddle:
    case ImageEditor::kDragBottomMiddle:
        viewport()->setCursor(Qt::SizeVerCursor);
        break;
    case ImageEditor::kDragMove:
        viewport()->setCursor(Qt::SizeAllCursor);
        break;
    case ImageEditor::kDragNone:
        viewport()->unsetCursor();
        break;
    }
}

void CImageEditView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A press outside the selection draws no new one: only the existing selection is adjusted.
    m_mode = m_editor.HitTest(ImagePoint(event));
    SetCursorFor(m_mode);
    m_last = ImagePoint(event);
}

void CImageEditView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ImagePoint(event);
    if (m_mode == ImageEditor::kDragNone) {
        SetCursorFor(m_editor.HitTest(p));
        return;
    }
    if (m_editor.Drag(m_mode, p - m_last)) {
        emit selectionChanged();
        viewport()->update();
    }
    // Also after a refused move: a refused step is dropped, not saved up for the next one.
    m_last = p;
}

void CImageEditView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_mode = ImageEditor::kDragNone;
}
