// The grid of the module's lists.
//
// Numbering: row 0 is the fixed title row (the column headers), data rows are 1 .. GetRowCount() - 1;
// columns count from 0, column 0 being the fixed number column when SetFixedColumnCount(1) is set
// (an ordinary cell column drawn in the header colour, holding text and item data like any other).
// Texts are CP949; colours 0x00BBGGRR, zmsg::kDefaultColor for "none of its own"; formats DT_* bits.
//
// For large fills switch drawing off with SetRedraw(false): rows then go into plain vectors and
// the view learns of them once, on SetRedraw(true).
#pragma once

#include <cstdint>
#include <string>

#include <QModelIndex>
#include <QTableView>

#include "frame/widgets/cellformat.h"
#include "frame/widgets/trellismodel.h"

class CTrellisEx : public QTableView {
    Q_OBJECT
public:
    // GetItemState bits.
    enum : unsigned { kStateFocused = 0x0001, kStateSelected = 0x0002 };

    explicit CTrellisEx(QWidget* parent = nullptr);
    ~CTrellisEx() override;

    // Columns. InsertColumn appends when column is -1 (or past the end) and returns the index;
    // its format is the header's and the default of the column's cells.
    int InsertColumn(const std::string& title, unsigned format = DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                     int column = -1);
    int GetColumnCount() const;
    bool SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    // Both fit every column to its title and contents.
    void AutoFitColumns();
    void AutoSizeColumns();
    // Fits the columns the first time the grid has rows and leaves them alone after that (until the
    // columns are set up anew): a refill must not make the columns jump under the user's eyes.
    void FitColumnsOnce();
    bool SetColBkColor(int column, std::uint32_t color);

    // The title row is always row 0; a fixed row count of 0 hides it.
    void SetFixedRowCount(int count);
    int GetFixedRowCount() const { return m_fixedRows; }
    void SetFixedColumnCount(int count);
    int GetFixedColumnCount() const;
    // On: whole rows are selected; off: single cells.
    void SetListMode(bool on = true);
    bool GetListMode() const;
    // List mode, several rows selectable, the default row height.
    void SetListModeDefault();
    // Row 0 sets the title row's height.
    bool SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;

    // Rows. InsertRow appends when row is -1 (or past the end), puts heading (if any) in column 0
    // and returns the new row's index.
    int InsertRow(const std::string& heading = std::string(), int row = -1);
    bool DeleteRow(int row);
    void DeleteNonFixedRows();
    // Rows and columns.
    void DeleteAllItems();
    // Including the title row.
    int GetRowCount() const;

    // Cells. Row 0 addresses the titles. Setters return false for a cell that does not exist;
    // getters give empty values.
    bool SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    bool SetIntNumItemText(int row, int column, long long number);
    bool SetItemFormat(int row, int column, unsigned format);
    unsigned GetItemFormat(int row, int column) const;
    bool SetItemTipText(int row, int column, const std::string& tip);
    std::string GetItemTipText(int row, int column) const;
    bool SetItemData(int row, int column, std::int64_t data);
    std::int64_t GetItemData(int row, int column) const;
    bool SetCellTypeCheck(int row, int column, bool check = true);
    bool IsCellTypeCheck(int row, int column) const;
    bool SetCellCheck(int row, int column, bool checked);
    bool IsCellChecked(int row, int column) const;
    bool SetItemFgColour(int row, int column, std::uint32_t color);
    std::uint32_t GetItemFgColour(int row, int column) const;
    bool SetItemBkColour(int row, int column, std::uint32_t color);
    std::uint32_t GetItemBkColour(int row, int column) const;
    bool SetRowBkColor(int row, std::uint32_t color);
    unsigned GetItemState(int row, int column) const;

    // Drawing and selection.
    void SetRedraw(bool allow, bool resetScrollBars = false);
    bool IsRedrawOn() const { return !m_model->IsDeferred(); }
    bool SetRowSelected(int row, bool selected = true);
    bool SetSelectedRange(int minRow, int minColumn, int maxRow, int maxColumn);
    void EnsureVisible(int row, int column);
    // A click on the title of a column with check boxes checks them all, or clears them all
    // when all were checked. Off by default.
    void SetHeaderCheckToggle(bool on) { m_headerCheckToggle = on; }

signals:
    // A click or double click on a cell (row 0: a title). A click that toggles a check box
    // arrives after the box changed; so does a check toggled with the space bar.
    void cellClicked(int row, int column);
    void cellDoubleClicked(int row, int column);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Grid row to model row: -1 for the title row and rows that do not exist.
    int DataRow(int row) const;
    TrellisCell* CellAt(int row, int column);
    const TrellisCell* CellAt(int row, int column) const;
    void OnHeaderClicked(int column);

    CTrellisModel* m_model;
    int m_fixedRows = 1;
    bool m_fitted = false;
    QModelIndex m_pendingClick;
    bool m_headerCheckToggle = false;
};
