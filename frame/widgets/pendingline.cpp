#include "frame/widgets/pendingline.h"

#include "text/codec.h"

CPendingLine::CPendingLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("pendingLine"));
    setWordWrap(true);
    setStyleSheet(QStringLiteral("color: #B00000; font-weight: bold;"));
    hide();
}

void CPendingLine::ShowNotice(const std::string& notice) {
    setText(zmsg::FromCp949(notice));
    setVisible(!notice.empty());
}
