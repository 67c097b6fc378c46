#include "frame/widgets/trellisex.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

CTrellisEx::CTrellisEx(QWidget* parent) : QTableView(parent), m_model(new CTrellisModel(this)) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setSortingEnabled(false);
    verticalHeader()->hide();
    // Fixed heights: a grid of 100,000 rows must not measure each one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setMinimumSectionSize(1);

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { m_pendingClick = i; });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { emit cellDoubleClicked(i.row() + 1, i.column()); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CTrellisEx::OnHeaderClicked);
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { emit cellDoubleClicked(0, column); });
}

CTrellisEx::~CTrellisEx() = default;

int CTrellisEx::DataRow(int row) const {
    return (row >= 1 && row <= m_model->Rows()) ? row - 1 : -1;
}

TrellisCell* CTrellisEx::CellAt(int row, int column) {
    return m_model->Cell(row - 1, column);
}

const TrellisCell* CTrellisEx::CellAt(int row, int column) const {
    return m_model->Cell(row - 1, column);
}

// Columns -----------------------------------------------------------------------------------

int CTrellisEx::InsertColumn(const std::string& title, unsigned format, int column) {
    return m_model->InsertColumn(column, title, format);
}

int CTrellisEx::GetColumnCount() const {
    return m_model->Columns();
}

bool CTrellisEx::SetColumnWidth(int column, int width) {
    if (!m_model->Column(column))
        return false;
    m_model->Publish();
    setColumnWidth(column, width);
    return true;
}

int CTrellisEx::GetColumnWidth(int column) const {
    return m_model->Column(column) ? columnWidth(column) : 0;
}

void CTrellisEx::AutoFitColumns() {
    m_model->Publish();
    resizeColumnsToContents();
}

void CTrellisEx::AutoSizeColumns() {
    AutoFitColumns();
}

void CTrellisEx::FitColumnsOnce() {
    if (m_fitted || m_model->Rows() == 0)
        return;
    AutoFitColumns();
    m_fitted = true;
}

bool CTrellisEx::SetColBkColor(int column, std::uint32_t color) {
    TrellisColumn* c = m_model->Column(column);
    if (!c)
        return false;
    c->bg = color;
    m_model->ColumnChanged(column);
    return true;
}

// Fixed parts and modes ---------------------------------------------------------------------

void CTrellisEx::SetFixedRowCount(int count) {
    m_fixedRows = count > 0 ? 1 : 0;
    horizontalHeader()->setVisible(m_fixedRows > 0);
}

void CTrellisEx::SetFixedColumnCount(int count) {
    m_model->SetFixedColumns(count, palette().color(QPalette::Button));
}

int CTrellisEx::GetFixedColumnCount() const {
    return m_model->FixedColumns();
}

void CTrellisEx::SetListMode(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

bool CTrellisEx::GetListMode() const {
    return selectionBehavior() == QAbstractItemView::SelectRows;
}

void CTrellisEx::SetListModeDefault() {
    SetListMode(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

bool CTrellisEx::SetRowHeight(int row, int height) {
    if (row == 0) {
        horizontalHeader()->setFixedHeight(height);
        return true;
    }
    const int r = DataRow(row);
    if (r < 0)
        return false;
    m_model->Publish();
    setRowHeight(r, height);
    return true;
}

int CTrellisEx::GetRowHeight(int row) const {
    if (row == 0)
        return horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    const int r = DataRow(row);
    return (r >= 0 && r < m_model->rowCount()) ? rowHeight(r) : 0;
}

// Rows --------------------------------------------------------------------------------------

int CTrellisEx::InsertRow(const std::string& heading, int row) {
    const int at = m_model->InsertRow(row >= 1 ? row - 1 : -1);
    if (!heading.empty() && m_model->Columns() > 0) {
        m_model->Cell(at, 0)->text = heading;
        m_model->CellChanged(at, 0);
    }
    return at + 1;
}

bool CTrellisEx::DeleteRow(int row) {
    const int r = DataRow(row);
    return r >= 0 && m_model->RemoveRow(r);
}

void CTrellisEx::DeleteNonFixedRows() {
    m_model->ClearRows();
}

void CTrellisEx::DeleteAllItems() {
    m_model->Clear();
    m_fitted = false;
}

int CTrellisEx::GetRowCount() const {
    return m_model->Rows() + 1;
}

// Cells -------------------------------------------------------------------------------------

bool CTrellisEx::SetItemText(int row, int column, const std::string& text) {
    if (row == 0) {
        TrellisColumn* c = m_model->Column(column);
        if (!c)
            return false;
        c->title = text;
        m_model->HeaderChanged(column);
        return true;
    }
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->text = text;
    m_model->CellChanged(row - 1, column);
    return true;
}

std::string CTrellisEx::GetItemText(int row, int column) const {
    if (row == 0) {
        const TrellisColumn* c = m_model->Column(column);
        return c ? c->title : std::string();
    }
    const TrellisCell* cell = CellAt(row, column);
    return cell ? cell->text : std::string();
}

bool CTrellisEx::SetIntNumItemText(int row, int column, long long number) {
    return SetItemText(row, column, std::to_string(number));
}

bool CTrellisEx::SetItemFormat(int row, int column, unsigned format) {
    if (row == 0) {
        TrellisColumn* c = m_model->Column(column);
        if (!c)
            return false;
        c->headerFormat = format;
        m_model->HeaderChanged(column);
        return true;
    }
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->format = format;
    m_model->CellChanged(row - 1, column);
    return true;
}

unsigned CTrellisEx::GetItemFormat(int row, int column) const {
    const TrellisColumn* c = m_model->Column(column);
    if (!c)
        return 0;
    if (row == 0)
        return c->headerFormat;
    const TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return 0;
    return cell->format == TrellisCell::kColumnFormat ? c->format : cell->format;
}

bool CTrellisEx::SetItemTipText(int row, int column, const std::string& tip) {
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    if (tip.empty())
        cell->tip.reset();
    else
        cell->tip = std::make_unique<std::string>(tip);
    return true;
}

std::string CTrellisEx::GetItemTipText(int row, int column) const {
    const TrellisCell* cell = CellAt(row, column);
    return (cell && cell->tip) ? *cell->tip : std::string();
}

bool CTrellisEx::SetItemData(int row, int column, std::int64_t data) {
    if (row == 0) {
        TrellisColumn* c = m_model->Column(column);
        if (c)
            c->data = data;
        return c != nullptr;
    }
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->data = data;
    return true;
}

std::int64_t CTrellisEx::GetItemData(int row, int column) const {
    if (row == 0) {
        const TrellisColumn* c = m_model->Column(column);
        return c ? c->data : 0;
    }
    const TrellisCell* cell = CellAt(row, column);
    return cell ? cell->data : 0;
}

bool CTrellisEx::SetCellTypeCheck(int row, int column, bool check) {
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->isCheck = check;
    m_model->CellChanged(row - 1, column);
    return true;
}

bool CTrellisEx::IsCellTypeCheck(int row, int column) const {
    const TrellisCell* cell = CellAt(row, column);
    return cell && cell->isCheck;
}

bool CTrellisEx::SetCellCheck(int row, int column, bool checked) {
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->checked = checked;
    m_model->CellChanged(row - 1, column);
    return true;
}

bool CTrellisEx::IsCellChecked(int row, int column) const {
    const TrellisCell* cell = CellAt(row, column);
    return cell && cell->isCheck && cell->checked;
}

bool CTrellisEx::SetItemFgColour(int row, int column, std::uint32_t color) {
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->fg = color;
    m_model->CellChanged(row - 1, column);
    return true;
}

std::uint32_t CTrellisEx::GetItemFgColour(int row, int column) const {
    const TrellisCell* cell = CellAt(row, column);
    return cell ? cell->fg : zmsg::kDefaultColor;
}

bool CTrellisEx::SetItemBkColour(int row, int column, std::uint32_t color) {
    TrellisCell* cell = CellAt(row, column);
    if (!cell)
        return false;
    cell->bg = color;
    m_model->CellChanged(row - 1, column);
    return true;
}

std::uint32_t CTrellisEx::GetItemBkColour(int row, int column) const {
    const TrellisCell* cell = CellAt(row, column);
    return cell ? cell->bg : zmsg::kDefaultColor;
}

bool CTrellisEx::SetRowBkColor(int row, std::uint32_t color) {
    const int r = DataRow(row);
    if (r < 0)
        return false;
    for (int c = 0; c < m_model->Columns(); ++c)
        m_model->Cell(r, c)->bg = color;
    m_model->RowChanged(r);
    return true;
}

unsigned CTrellisEx::GetItemState(int row, int column) const {
    const int r = DataRow(row);
    // Rows not yet shown to the view (drawing off) cannot be selected yet.
    if (r < 0 || r >= m_model->rowCount() || column < 0 || column >= m_model->columnCount())
        return 0;
    const QModelIndex i = m_model->index(r, column);
    unsigned state = 0;
    if (selectionModel()->isSelected(i))
        state |= kStateSelected;
    if (currentIndex() == i)
        state |= kStateFocused;
    return state;
}

// Drawing and selection ---------------------------------------------------------------------

void CTrellisEx::SetRedraw(bool allow, bool resetScrollBars) {
    if (!allow) {
        if (!m_model->IsDeferred()) {
            setUpdatesEnabled(false);
            m_model->SetDeferred(true);
        }
        return;
    }
    if (!m_model->IsDeferred())
        return;
    m_model->SetDeferred(false);
    setUpdatesEnabled(true);
    if (resetScrollBars)
        scrollToTop();
    viewport()->update();
}

bool CTrellisEx::SetRowSelected(int row, bool selected) {
    const int r = DataRow(row);
    if (r < 0 || m_model->Columns() == 0)
        return false;
    m_model->Publish();
    const QItemSelection range(m_model->index(r, 0), m_model->index(r, m_model->Columns() - 1));
    if (!selected) {
        selectionModel()->select(range, QItemSelectionModel::Deselect);
        return true;
    }
    const int focusColumn = std::min(GetFixedColumnCount(), m_model->Columns() - 1);
    selectionModel()->setCurrentIndex(m_model->index(r, focusColumn), QItemSelectionModel::NoUpdate);
    selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    return true;
}

bool CTrellisEx::SetSelectedRange(int minRow, int minColumn, int maxRow, int maxColumn) {
    const int lastRow = m_model->Rows();
    const int lastColumn = m_model->Columns() - 1;
    minRow = std::max(minRow, 1);
    maxRow = std::min(maxRow, lastRow);
    minColumn = std::max(minColumn, 0);
    maxColumn = std::min(maxColumn, lastColumn);
    if (minRow > maxRow || minColumn > maxColumn)
        return false;
    m_model->Publish();
    const QItemSelection range(m_model->index(minRow - 1, minColumn), m_model->index(maxRow - 1, maxColumn));
    selectionModel()->setCurrentIndex(m_model->index(minRow - 1, minColumn), QItemSelectionModel::NoUpdate);
    selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    return true;
}

void CTrellisEx::EnsureVisible(int row, int column) {
    m_model->Publish();
    if (m_model->rowCount() == 0 || m_model->columnCount() == 0)
        return;
    const int r = row <= 0 ? 0 : std::min(row - 1, m_model->rowCount() - 1);
    const int c = std::clamp(column, 0, m_model->columnCount() - 1);
    scrollTo(m_model->index(r, c), QAbstractItemView::EnsureVisible);
}

// Notifications -----------------------------------------------------------------------------

void CTrellisEx::mouseReleaseEvent(QMouseEvent* event) {
    // The view reports the click before its delegate toggles a check box; hold the report back
    // so the owner reads the new state.
    m_pendingClick = QModelIndex();
    QTableView::mouseReleaseEvent(event);
    if (m_pendingClick.isValid()) {
        const QModelIndex i = m_pendingClick;
        m_pendingClick = QModelIndex();
        emit cellClicked(i.row() + 1, i.column());
    }
}

void CTrellisEx::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    const TrellisCell* cell = m_model->Cell(current.row(), current.column());
    const bool wasChecked = cell && cell->isCheck && cell->checked;
    QTableView::keyPressEvent(event);
    cell = m_model->Cell(current.row(), current.column());
    if (cell && cell->isCheck && cell->checked != wasChecked)
        emit cellClicked(current.row() + 1, current.column());
}

void CTrellisEx::OnHeaderClicked(int column) {
    if (m_headerCheckToggle) {
        bool allChecked = true;
        bool any = false;
        for (int r = 0; r < m_model->Rows() && allChecked; ++r) {
            const TrellisCell* cell = m_model->Cell(r, column);
            if (cell && cell->isCheck) {
                any = true;
                allChecked = cell->checked;
            }
        }
        if (any)
            m_model->SetColumnChecks(column, !allChecked);
    }
    emit cellClicked(0, column);
}
