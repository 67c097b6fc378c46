#include "frame/widgets/messagedlg.h"

#include <QMessageBox>

#include "center/text/codec.h"
#include "frame/messagebox.h"

void InstallMessageDialogPresenter() {
    SetMessagePresenter([](const std::string& text, unsigned type, unsigned, int, QWidget* parent) -> int {
        const auto r = QMessageBox::information(parent, QStringLiteral("확인"), zmsg::FromCp949(text),
                                                (type & MB_YESNO) ? (QMessageBox::Yes | QMessageBox::No)
                                                                  : QMessageBox::StandardButtons(QMessageBox::Ok));
        return r == QMessageBox::Yes ? IDYES : r == QMessageBox::No ? IDNO : IDOK;
    });
}
