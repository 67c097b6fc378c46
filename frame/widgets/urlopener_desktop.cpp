// The real opener: the desktop's own URL handler. Compiled into the widgets library, which links Qt Gui.
#include <QDesktopServices>
#include <QUrl>

#include "frame/urlopener.h"

void InstallDesktopUrlOpener() {
    SetUrlOpener([](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
    });
}
