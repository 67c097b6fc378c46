// Buttons of the module's dialogs.
#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace zmsg {

// A named push button that never becomes the dialog's default: Return does not press it by accident.
QPushButton* Button(const QString& text, const char* name, QWidget* parent);

} // namespace zmsg
