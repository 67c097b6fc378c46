// The red line of a send window that names the send waiting to be settled, so the clerk sees it until
// a press settles it.
#pragma once

#include <string>

#include <QLabel>

class CPendingLine : public QLabel {
public:
    explicit CPendingLine(QWidget* parent);
    // notice: CP949 lines; the line hides while there is none.
    void ShowNotice(const std::string& notice);
};
