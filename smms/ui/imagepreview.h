// Shows a chosen picture scaled to fit inside the control, never enlarged.
#pragma once

#include <string>

#include <QImage>
#include <QWidget>

#include "smms/imagefit.h"

class CImagePreview : public QWidget {
    Q_OBJECT
public:
    explicit CImagePreview(QWidget* parent = nullptr);

    // Non-zero when the picture was read and rendered for the control's present size.
    int SetImage(const std::string& path);
    // Drops the rendering; the rendered size becomes 0 x 0.
    void Clear();

    const std::string& ImagePath() const { return m_strPath; }
    QSize RenderedSize() const { return m_rendering.isNull() ? QSize(0, 0) : m_rendering.size(); }
    void SetAlignment(int horizontal, int vertical);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_strPath;
    int m_hAlign = zmsg::kAlignCentre;
    int m_vAlign = zmsg::kAlignCentre;
    QImage m_rendering;
};
