// Storage behind CTrellisEx: columns and rows of cells kept in vectors, texts as CP949 bytes
// (converted only when a cell is drawn), so filling a grid costs no more than filling vectors.
// Rows here are data rows, 0 being the first row under the title row.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>

#include "frame/widgets/cellformat.h"
#include "frame/widgets/colorref.h"

struct TrellisCell {
    static constexpr std::uint32_t kColumnFormat = 0xFFFFFFFF; // use the column's format

    std::string text;                 // CP949
    std::unique_ptr<std::string> tip; // CP949; rare, so kept out of line
    std::int64_t data = 0;
    std::uint32_t fg = zmsg::kDefaultColor;
    std::uint32_t bg = zmsg::kDefaultColor;
    std::uint32_t format = kColumnFormat;
    bool isCheck = false;
    bool checked = false;
};

struct TrellisColumn {
    std::string title; // CP949
    std::int64_t data = 0;
    std::uint32_t format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    std::uint32_t headerFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    std::uint32_t bg = zmsg::kDefaultColor;
};

class CTrellisModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CTrellisModel(QObject* parent = nullptr);
    ~CTrellisModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int Rows() const { return static_cast<int>(m_rows.size()); }
    int Columns() const { return static_cast<int>(m_columns.size()); }
    // at outside 0 .. Columns()/Rows(): appended. Return the index used.
    int InsertColumn(int at, const std::string& title, std::uint32_t format);
    int InsertRow(int at);
    bool RemoveRow(int row);
    void ClearRows();
    void Clear(); // rows and columns

    // Null when out of range. After changing a cell, report it with CellChanged.
    TrellisCell* Cell(int row, int column);
    const TrellisCell* Cell(int row, int column) const;
    TrellisColumn* Column(int column);
    const TrellisColumn* Column(int column) const;
    void CellChanged(int row, int column);
    void RowChanged(int row);
    void ColumnChanged(int column);
    void HeaderChanged(int column);
    // Sets every check cell of a column; returns how many there are.
    int SetColumnChecks(int column, bool checked);

    void SetFixedColumns(int count, const QColor& background);
    int FixedColumns() const { return m_fixedColumns; }

    // While deferred, changes go to the vectors only; views learn of them at once on Publish
    // (one insert notice when rows were only appended, a reset otherwise).
    void SetDeferred(bool deferred);
    bool IsDeferred() const { return m_deferred; }
    void Publish();

private:
    bool Live() const { return !m_deferred; }
    void NoteRowsChanged(int from);

    std::vector<TrellisColumn> m_columns;
    std::vector<std::vector<TrellisCell>> m_rows;
    // What the attached views have been told.
    int m_publishedRows = 0;
    int m_publishedColumns = 0;
    bool m_deferred = false;
    bool m_rowsDirty = false;
    bool m_appendOnly = true; // since the last publish, rows were only added after the published ones
    bool m_columnsDirty = false;
    int m_fixedColumns = 0;
    QColor m_fixedBackground;
};
