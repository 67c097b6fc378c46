// The file dialog the module shows when no test scripts the choice.
#pragma once

#include <QStringList>

#include "frame/filedialog.h"

// The name filters Qt's dialog takes for a request's filter string: "text (*.a *.b)".
QStringList QtNameFilters(const std::string& filter);

// Makes ShowOpenFileDialog use Qt's file dialog (with a QApplication; otherwise the choice is
// cancelled, as nobody could make it).
void InstallFileDialogPresenter();
