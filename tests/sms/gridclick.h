// Where a grid cell's check box is drawn, so that a test clicks it as a user would.
#pragma once

#include <QPoint>
#include <QStyle>
#include <QStyledItemDelegate>

#include "frame/widgets/trellisex.h"

namespace gridclick {

struct OptionProbe : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

// Row as the grid counts it (0 is the title row).
inline QPoint CheckBoxPoint(CTrellisEx& g, int row, int column) {
    const QModelIndex i = g.model()->index(row - 1, column);
    QStyleOptionViewItem opt;
    opt.initFrom(g.viewport());
    opt.rect = g.visualRect(i);
    OptionProbe().initStyleOption(&opt, i);
    return g.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, &g).center();
}

} // namespace gridclick
