// The frame behind the recipient grid and the web panel: a light grey area with a thin dark blue
// border and a heavier band along its top, so the pages read as one card under their tab buttons.
#pragma once

#include <QWidget>

class CPanelFrame : public QWidget {
    Q_OBJECT
public:
    explicit CPanelFrame(QWidget* parent = nullptr);

    // Inner margin that keeps the children off the border and the band.
    static constexpr int kBand = 5;

protected:
    void paintEvent(QPaintEvent* event) override;
};
