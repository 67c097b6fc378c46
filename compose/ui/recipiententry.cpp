#include "compose/ui/recipiententry.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "frame/widgets/buttons.h"

namespace zmsg {

RecipientEntryRow BuildRecipientEntryRow(QWidget* parent, bool withPaste) {
    RecipientEntryRow row;
    row.layout = new QHBoxLayout;
    row.name = new QLineEdit(parent);
    row.name->setObjectName(QStringLiteral("addNameEdit"));
    row.name->setPlaceholderText(QStringLiteral("이름"));
    row.phone = new QLineEdit(parent);
    row.phone->setObjectName(QStringLiteral("addPhoneEdit"));
    row.phone->setPlaceholderText(QStringLiteral("전화번호"));
    row.add = Button(QStringLiteral("전송대상 추가"), "addButton", parent);
    if (withPaste)
        row.paste = Button(QStringLiteral("붙여넣기"), "pasteButton", parent);
    row.checkAll = Button(QStringLiteral("모두체크"), "checkAllButton", parent);
    row.uncheckAll = Button(QStringLiteral("모두해제"), "uncheckAllButton", parent);
    row.layout->addWidget(row.name);
    row.layout->addWidget(row.phone);
    row.layout->addWidget(row.add);
    if (row.paste)
        row.layout->addWidget(row.paste);
    row.layout->addStretch();
    row.layout->addWidget(row.checkAll);
    row.layout->addWidget(row.uncheckAll);
    return row;
}

} // namespace zmsg
