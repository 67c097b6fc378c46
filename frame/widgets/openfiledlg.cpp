#include "frame/widgets/openfiledlg.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>

#include "text/codec.h"

namespace {

// Tells an entry's icon and type from its name alone. Qt's own provider asks the MIME database, which
// opens every file its name does not settle (the store database and its log among them), and closing
// that descriptor drops every lock SQLite holds on the file in this process.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo& info) const override {
        if (info.isDir())
            return QCoreApplication::translate("QAbstractFileIconProvider", "Folder");
        return QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg(info.suffix());
    }
};

} // namespace

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
        // Declared before the dialog, which does not own it and uses it until it is gone.
        NameOnlyIconProvider icons;
        QFileDialog dlg(parent);
        // Qt's own dialog, not the desktop's, which would read files to show their types and previews.
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setIconProvider(&icons);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dlg.setDefaultSuffix(QString::fromStdString(request.defaultExt));
        dlg.setNameFilters(QtNameFilters(request.filter));
        // Files the filter does not offer are not shown at all (rather than greyed out).
        if (auto* model = dlg.findChild<QFileSystemModel*>())
            model->setNameFilterDisables(false);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return std::nullopt;
        return QFile::encodeName(dlg.selectedFiles().constFirst()).toStdString();
    });
}
