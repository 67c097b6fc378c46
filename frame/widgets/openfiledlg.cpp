#include "frame/widgets/openfiledlg.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>

#include "center/text/codec.h"

QStringList QtNameFilters(const std::string& filter) {
    QStringList out;
    for (const FileFilterEntry& entry : ParseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& p : entry.patterns)
            patterns << QString::fromStdString(p);
        out << zmsg::FromCp949(entry.text) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

void InstallFileDialogPresenter() {
    SetFileDialogPresenter([](const OpenFileRequest& request, QWidget* parent) -> std::optional<std::string> {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return std::nullopt;
        QFileDialog dlg(parent);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dlg.setDefaultSuffix(QString::fromStdString(request.defaultExt));
        dlg.setNameFilters(QtNameFilters(request.filter));
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return std::nullopt;
        return QFile::encodeName(dlg.selectedFiles().constFirst()).toStdString();
    });
}
