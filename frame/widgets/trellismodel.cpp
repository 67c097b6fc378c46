#include "frame/widgets/trellismodel.h"

#include <QBrush>

#include "text/codec.h"

CTrellisModel::CTrellisModel(QObject* parent) : QAbstractTableModel(parent) {}

CTrellisModel::~CTrellisModel() = default;

int CTrellisModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_publishedRows;
}

int CTrellisModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_publishedColumns;
}

QVariant CTrellisModel::data(const QModelIndex& index, int role) const {
    // While deferred the vectors may be shorter than what the views know: Cell() checks.
    const TrellisCell* cell = Cell(index.row(), index.column());
    if (!cell)
        return {};
    const TrellisColumn& column = m_columns[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return zmsg::FromCp949(cell->text);
    case Qt::CheckStateRole:
        if (cell->isCheck)
            return static_cast<int>(cell->checked ? Qt::Checked : Qt::Unchecked);
        return {};
    case Qt::ForegroundRole:
        if (cell->fg != zmsg::kDefaultColor)
            return QBrush(zmsg::ColorFromRef(cell->fg));
        return {};
    case Qt::BackgroundRole:
        if (cell->bg != zmsg::kDefaultColor)
            return QBrush(zmsg::ColorFromRef(cell->bg));
        if (column.bg != zmsg::kDefaultColor)
            return QBrush(zmsg::ColorFromRef(column.bg));
        if (index.column() < m_fixedColumns && m_fixedBackground.isValid())
            return QBrush(m_fixedBackground);
        return {};
    case Qt::TextAlignmentRole:
        return static_cast<int>(zmsg::AlignmentOfFormat(
            cell->format == TrellisCell::kColumnFormat ? column.format : cell->format));
    case Qt::ToolTipRole:
        if (cell->tip && !cell->tip->empty())
            return zmsg::FromCp949(*cell->tip);
        return {};
    default:
        return {};
    }
}

bool CTrellisModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    // Only the check box is changed from the view; everything else goes through CTrellisEx.
    TrellisCell* cell = Cell(index.row(), index.column());
    if (!cell || role != Qt::CheckStateRole || !cell->isCheck)
        return false;
    cell->checked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
    CellChanged(index.row(), index.column());
    return true;
}

Qt::ItemFlags CTrellisModel::flags(const QModelIndex& index) const {
    const TrellisCell* cell = Cell(index.row(), index.column());
    if (!cell)
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (cell->isCheck)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant CTrellisModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    const TrellisColumn* column = Column(section);
    if (!column)
        return {};
    if (role == Qt::DisplayRole)
        return zmsg::FromCp949(column->title);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(zmsg::AlignmentOfFormat(column->headerFormat));
    return {};
}

int CTrellisModel::InsertColumn(int at, const std::string& title, std::uint32_t format) {
    const int n = Columns();
    if (at < 0 || at > n)
        at = n;
    if (Live())
        beginInsertColumns(QModelIndex(), at, at);
    TrellisColumn column;
    column.title = title;
    column.format = format;
    column.headerFormat = format;
    m_columns.insert(m_columns.begin() + at, std::move(column));
    for (auto& row : m_rows)
        row.insert(row.begin() + at, TrellisCell());
    if (Live()) {
        m_publishedColumns = Columns();
        endInsertColumns();
    } else {
        m_columnsDirty = true;
    }
    return at;
}

void CTrellisModel::NoteRowsChanged(int from) {
    m_rowsDirty = true;
    if (from < m_publishedRows)
        m_appendOnly = false;
}

int CTrellisModel::InsertRow(int at) {
    const int n = Rows();
    if (at < 0 || at > n)
        at = n;
    if (Live())
        beginInsertRows(QModelIndex(), at, at);
    m_rows.insert(m_rows.begin() + at, std::vector<TrellisCell>(m_columns.size()));
    if (Live()) {
        m_publishedRows = Rows();
        endInsertRows();
    } else {
        NoteRowsChanged(at);
    }
    return at;
}

bool CTrellisModel::RemoveRow(int row) {
    if (row < 0 || row >= Rows())
        return false;
    if (Live())
        beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    if (Live()) {
        m_publishedRows = Rows();
        endRemoveRows();
    } else {
        NoteRowsChanged(row);
    }
    return true;
}

void CTrellisModel::ClearRows() {
    if (m_rows.empty())
        return;
    if (Live())
        beginRemoveRows(QModelIndex(), 0, Rows() - 1);
    m_rows.clear();
    if (Live()) {
        m_publishedRows = 0;
        endRemoveRows();
    } else {
        NoteRowsChanged(0);
    }
}

void CTrellisModel::Clear() {
    if (Live())
        beginResetModel();
    m_rows.clear();
    m_columns.clear();
    if (Live()) {
        m_publishedRows = 0;
        m_publishedColumns = 0;
        endResetModel();
    } else {
        NoteRowsChanged(0);
        m_columnsDirty = true;
    }
}

TrellisCell* CTrellisModel::Cell(int row, int column) {
    if (row < 0 || column < 0 || row >= Rows() || column >= Columns())
        return nullptr;
    return &m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

const TrellisCell* CTrellisModel::Cell(int row, int column) const {
    return const_cast<CTrellisModel*>(this)->Cell(row, column);
}

TrellisColumn* CTrellisModel::Column(int column) {
    if (column < 0 || column >= Columns())
        return nullptr;
    return &m_columns[static_cast<size_t>(column)];
}

const TrellisColumn* CTrellisModel::Column(int column) const {
    return const_cast<CTrellisModel*>(this)->Column(column);
}

void CTrellisModel::CellChanged(int row, int column) {
    if (Live() && row < m_publishedRows && column < m_publishedColumns) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i);
    }
}

void CTrellisModel::RowChanged(int row) {
    if (Live() && row < m_publishedRows && m_publishedColumns > 0)
        emit dataChanged(index(row, 0), index(row, m_publishedColumns - 1));
}

void CTrellisModel::ColumnChanged(int column) {
    if (Live() && column < m_publishedColumns && m_publishedRows > 0)
        emit dataChanged(index(0, column), index(m_publishedRows - 1, column));
}

void CTrellisModel::HeaderChanged(int column) {
    if (Live() && column < m_publishedColumns)
        emit headerDataChanged(Qt::Horizontal, column, column);
}

int CTrellisModel::SetColumnChecks(int column, bool checked) {
    if (column < 0 || column >= Columns())
        return 0;
    int count = 0;
    for (auto& row : m_rows) {
        TrellisCell& cell = row[static_cast<size_t>(column)];
        if (cell.isCheck) {
            cell.checked = checked;
            ++count;
        }
    }
    ColumnChanged(column);
    return count;
}

void CTrellisModel::SetFixedColumns(int count, const QColor& background) {
    m_fixedColumns = count < 0 ? 0 : count;
    m_fixedBackground = background;
    if (Live() && m_publishedRows > 0 && m_publishedColumns > 0)
        emit dataChanged(index(0, 0), index(m_publishedRows - 1, m_publishedColumns - 1));
}

void CTrellisModel::SetDeferred(bool deferred) {
    if (deferred == m_deferred)
        return;
    m_deferred = deferred;
    if (deferred)
        return;
    Publish();
    // Cell changes made meanwhile were not announced one by one.
    if (m_publishedColumns > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, m_publishedColumns - 1);
        if (m_publishedRows > 0)
            emit dataChanged(index(0, 0), index(m_publishedRows - 1, m_publishedColumns - 1));
    }
}

void CTrellisModel::Publish() {
    if (!m_rowsDirty && !m_columnsDirty)
        return;
    if (!m_columnsDirty && m_appendOnly) {
        if (Rows() > m_publishedRows) {
            beginInsertRows(QModelIndex(), m_publishedRows, Rows() - 1);
            m_publishedRows = Rows();
            endInsertRows();
        }
    } else {
        beginResetModel();
        m_publishedRows = Rows();
        m_publishedColumns = Columns();
        endResetModel();
    }
    m_rowsDirty = false;
    m_columnsDirty = false;
    m_appendOnly = true;
}
