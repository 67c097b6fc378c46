// The row under a send dialog's member grid: a name and a number to add by hand, the add button,
// optionally the paste button, and the buttons that tick or untick every row. Built alike in the SMS
// and the app-message dialogs, so the clerk finds the same row in both.
#pragma once

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zmsg {

struct RecipientEntryRow {
    QHBoxLayout* layout = nullptr;
    QLineEdit* name = nullptr;
    QLineEdit* phone = nullptr;
    QPushButton* add = nullptr;
    QPushButton* paste = nullptr; // null without the paste button
    QPushButton* checkAll = nullptr;
    QPushButton* uncheckAll = nullptr;
};

// The widgets are made in the row's order, which is also their tab order.
RecipientEntryRow BuildRecipientEntryRow(QWidget* parent, bool withPaste);

} // namespace zmsg
