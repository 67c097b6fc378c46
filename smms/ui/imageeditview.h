// The scrolling picture of the image editor: draws what the editor renders with the selection over
// it, and turns presses and drags into moves of the selection or of one of its handles.
#pragma once

#include <string>

#include <QAbstractScrollArea>
#include <QImage>

#include "smms/imageeditor.h"

class CImageEditView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CImageEditView(QWidget* parent = nullptr);

    // Non-zero on success; the picture is fitted into the view. A failure leaves no picture, and
    // error (when given) says why.
    int LoadImage(const std::string& path, QString* error = nullptr);
    // direction 1 clockwise, 0 counter-clockwise.
    bool Rotate(int direction);
    void SetZoom(double zoom);
    void MoveSel(int dx, int dy, int dw, int dh);
    int SaveSelection(const std::string& path, QString* error = nullptr);

    const zmsg::ImageEditor& Editor() const { return m_editor; }
    zmsg::ImageEditor::DragMode DragMode() const { return m_mode; }
    QSize sizeHint() const override { return QSize(600, 500); }

signals:
    // The selection or its handles changed.
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint ScrollPos() const;
    QPoint ImagePoint(const QMouseEvent* event) const;
    void UpdateScrollRange();
    void SetCursorFor(zmsg::ImageEditor::DragMode mode);
    void CentreSelection();
    void Changed();

    zmsg::ImageEditor m_editor;
    zmsg::ImageEditor::DragMode m_mode = zmsg::ImageEditor::kDragNone;
    QPoint m_last;
    // The part of the rendering last drawn, kept while nothing changes it (dragging the selection
    // repaints often).
    QImage m_cache;
    QRect m_cacheArea;
    std::uint64_t m_cacheGeneration = 0;
};
