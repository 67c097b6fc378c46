#include "compose/ui/specialchardlg.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <string_view>
#include <vector>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "center/vexglobal.h"
#include "frame/widgets/cellformat.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/trellisex.h"
#include "text/codec.h"

namespace {

constexpr std::uint32_t kBackground = 0x9BFFFF;
constexpr std::uint32_t kButtonBackground = 0x37CDCD;
// 147 x 199 dialog units of the module's dialog font.
constexpr QSize kPopupSize(257, 373);
constexpr int kCellPadding = 6;

constexpr int kSymbolColumns = 8;
// The first row is a row like the others: the whole table is selectable.
constexpr std::array<std::string_view, 13> kSymbolRows = {
    "★ ☆ ☎ ☏ ☜ ☞ ※ ℡", "㎖ ℓ ㎎ ㎏ ㎜ ㎝ ㎞ ™", "♡ ♥ ♣ ♠ ♤ ♧ ♨ ♩",     "♪ ♬ ■ □ ▣ ▤ ▦ ▨", "▩ ▒ ▲ △ ▶ ▷ ▼ ▽",
    "◀ ◁ ◆ ◇ ◈ ● ○ ◎", "⊙ ◐ ◑ ← ↑ → ↓ ⇒",       "① ② ③ ④ ⑤ ⑥ ⑦ ⑧",     "⑨ ⑩ ⑪ ⑫ ⑬ ⑭ ⑮ ⓐ", "ⓑ ⓒ ⓓ ⓔ ⓕ ⓖ ⓗ ⓘ",
    "ⓙ ⓚ ⓛ ⓜ ⓝ ⓞ ⓟ ⓠ", "ⓡ ⓢ ⓣ ⓤ ⓥ ⓦ ⓧ ⓨ",       "ⓩ 【 】 『 』 《 》",
};

constexpr int kEmoticonColumns = 4;
constexpr std::array<std::array<std::string_view, 4>, 8> kEmoticons = {{
    {"(*^▽^*)", "(/^^)/", "(^▽^)", "(*^_____^)V"},
    {"(>^u^<)~", "(>^u^<)~", "o(^0^)o", "o(*'')♡(''+)o"},
    {" o(-\"-)o", "(.ㅅ.)-♡(.ㅅ.)", "☞\"^▽^\"☜", "♬(^0^)~♪"},
    {"ミⓛㅅⓛミ", "(￣▽￣)/", "(*^.^) (^.^*)", "(*￣ .￣)a"},
    {"＼(*｀Д´)/", " e(''e)", "s(￣へ￣ )z", "┌(ㆀ_ _)┐"},
    {"s(ごoご)グ", "┏(^^)┛", "(^(oo)^)", "(~.^)"},
    {"(*^3(^^*)", "(づ'0')づ", "o(^^o) (o^^)o", "↖(^▽^)↗"},
    {"(づ￣ ³￣)づ~♡", "(づ`0`)づ", "sS▶◀s。\n( ^˘^)˚", " q .  . p\n(*(00)*);"},
}};

QString ButtonStyle() {
    return QStringLiteral("QPushButton{background:%1;border:1px solid #7a7a30;padding:3px 10px}")
        .arg(zmsg::ColorFromRef(kButtonBackground).name());
}

} // namespace

CSpecialCharDlg::CSpecialCharDlg(QWidget* target, int x, int y, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_target(target), m_grid(new CTrellisEx(this)),
      m_symbols(new QRadioButton(QString::fromUtf8("특수문자"), this)),
      m_emoticons(new QRadioButton(QString::fromUtf8("이모티콘"), this)),
      m_use(new QPushButton(QString::fromUtf8("사용"), this)),
      m_close(new QPushButton(QString::fromUtf8("닫기"), this)) {
    setFixedSize(kPopupSize);
    ApplyModuleFont(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, zmsg::ColorFromRef(kBackground));
    setPalette(pal);
    setAutoFillBackground(true);

    m_grid->SetFixedRowCount(0);
    m_grid->SetListMode(false);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setTextElideMode(Qt::ElideNone);

    m_use->setToolTip(QString::fromUtf8("선택된 문자를 메시지에 추가합니다.(더블클릭)"));
    m_use->setStyleSheet(ButtonStyle());
    m_close->setStyleSheet(ButtonStyle());
    m_use->setDefault(true);

    auto* modes = new QHBoxLayout;
    modes->addWidget(m_symbols);
    modes->addWidget(m_emoticons);
    modes->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_use);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(modes);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    m_symbols->setChecked(true);
    connect(m_symbols, &QRadioButton::clicked, this, [this] { SetMode(Mode::Symbols); });
    connect(m_emoticons, &QRadioButton::clicked, this, [this] { SetMode(Mode::Emoticons); });
    connect(m_use, &QPushButton::clicked, this, &CSpecialCharDlg::OnUse);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &CTrellisEx::cellDoubleClicked, this, [this](int row, int column) {
        if (row >= 1 && row < m_grid->GetRowCount() && column >= 0 && column < m_grid->GetColumnCount())
            OnUse();
    });

    if (x >= 0 && y >= 0)
        move(x, y);
    FillGrid();
}

CSpecialCharDlg::~CSpecialCharDlg() = default;

bool CSpecialCharDlg::InsertInto(QWidget* target, QWidget* button) {
    const QPoint at = button ? button->mapToGlobal(QPoint(0, 0)) : QPoint(-1, -1);
    CSpecialCharDlg dlg(target, at.x(), at.y(), target ? target->window() : nullptr);
    const bool inserted = dlg.exec() == QDialog::Accepted;
    if (target)
        target->setFocus();
    return inserted;
}

std::optional<std::string> CSpecialCharDlg::Choose(QWidget* parent, int x, int y) {
    CSpecialCharDlg dlg(nullptr, x, y, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Chosen();
}

void CSpecialCharDlg::SetMode(Mode mode) {
    m_mode = mode;
    // Each table starts from the popup's own size and grows only as far as its cells need.
    setFixedSize(kPopupSize);
    layout()->activate();
    m_symbols->setChecked(mode == Mode::Symbols);
    m_emoticons->setChecked(mode == Mode::Emoticons);
    FillGrid();
}

void CSpecialCharDlg::FillGrid() {
    m_grid->SetRedraw(false);
    m_grid->DeleteAllItems();
    const unsigned singleLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (m_mode == Mode::Symbols) {
        for (int c = 0; c < kSymbolColumns; ++c)
            m_grid->InsertColumn(std::string(), singleLine);
        for (const std::string_view row : kSymbolRows) {
            const int r = m_grid->InsertRow();
            int c = 0;
            for (size_t at = 0; at < row.size() && c < kSymbolColumns; ++c) {
                const size_t blank = row.find(' ', at);
                const size_t end = blank == std::string_view::npos ? row.size() : blank;
                m_grid->SetItemText(r, c, zmsg::K(row.substr(at, end - at)));
                at = end + 1;
            }
        }
    } else {
        for (int c = 0; c < kEmoticonColumns; ++c)
            m_grid->InsertColumn(std::string(), singleLine);
        for (const auto& row : kEmoticons) {
            const int r = m_grid->InsertRow();
            for (int c = 0; c < kEmoticonColumns; ++c) {
                const std::string_view cell = row[static_cast<size_t>(c)];
                m_grid->SetItemText(r, c, zmsg::K(cell));
                if (cell.find('\n') != std::string_view::npos)
                    m_grid->SetItemFormat(r, c, DT_CENTER | DT_VCENTER);
            }
        }
    }
    m_grid->SetRedraw(true);
    SpreadCells();
}

QSize CSpecialCharDlg::CellContent(int row, int column) const {
    const QString text = zmsg::FromCp949(m_grid->GetItemText(row, column));
    const QRect bounds = m_grid->fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignCenter, text);
    return {bounds.width() + kCellPadding, bounds.height() + kCellPadding};
}

// Every cell shows its whole text: columns and rows are as wide and high as their widest and highest
// cell, the popup grows when the table needs more than its own size, and the room left over is shared
// evenly.
void CSpecialCharDlg::SpreadCells() {
    const int rows = m_grid->GetRowCount() - 1;
    const int columns = m_grid->GetColumnCount();
    if (rows <= 0 || columns <= 0)
        return;
    std::vector<int> widths(static_cast<size_t>(columns), 0);
    int height = 0;
    for (int r = 1; r <= rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QSize need = CellContent(r, c);
            widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], need.width());
            height = std::max(height, need.height());
        }
    const int needWidth = std::accumulate(widths.begin(), widths.end(), 0);
    const int needHeight = height * rows;
    QSize area = m_grid->viewport()->size();
    const QSize grow(std::max(0, needWidth - area.width()), std::max(0, needHeight - area.height()));
    if (grow.width() > 0 || grow.height() > 0) {
        setFixedSize(size() + grow);
        layout()->activate();
        area = m_grid->viewport()->size();
    }
    const int spareWidth = std::max(0, area.width() - needWidth);
    for (int c = 0; c < columns; ++c)
        m_grid->SetColumnWidth(c, widths[static_cast<size_t>(c)] + spareWidth / columns +
                                      (c == columns - 1 ? spareWidth % columns : 0));
    const int rowHeight = std::max(height, area.height() / rows);
    for (int r = 1; r <= rows; ++r)
        m_grid->SetRowHeight(r,
                             r < rows ? rowHeight : std::max(height, area.height() - (rows - 1) * rowHeight));
}

void CSpecialCharDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The grid has its final size only once the popup is laid out.
    SpreadCells();
}

void CSpecialCharDlg::OnUse() {
    int row = -1, column = -1;
    for (int r = 1; r < m_grid->GetRowCount() && row < 0; ++r)
        for (int c = 0; c < m_grid->GetColumnCount(); ++c)
            if (m_grid->GetItemState(r, c) & CTrellisEx::kStateSelected) {
                row = r;
                column = c;
                break;
            }
    if (row < 0)
        return;
    std::string chosen = CvexGlobal::Trim(m_grid->GetItemText(row, column));
    if (chosen.empty())
        return;
    if (m_mode == Mode::Emoticons)
        chosen += "\n";
    m_strChosen = chosen;
    if (m_target)
        InsertIntoTarget(zmsg::FromCp949(chosen));
    accept();
}

void CSpecialCharDlg::InsertIntoTarget(const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(m_target)) {
        line->insert(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(m_target)) {
        QTextCursor cursor = plain->textCursor();
        cursor.insertText(text);
        plain->setTextCursor(cursor);
    } else if (auto* rich = qobject_cast<QTextEdit*>(m_target)) {
        QTextCursor cursor = rich->textCursor();
        cursor.insertText(text);
        rich->setTextCursor(cursor);
    }
}
