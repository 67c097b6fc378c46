#include "smms/ui/smmsgrid.h"

#include <cstdint>
#include <string>

#include <QHeaderView>

#include "frame/widgets/trellisex.h"
#include "members/recipientlist.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr unsigned kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kNumberFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
constexpr std::uint32_t kPhoneColor = 0x9B0000;    // dark blue (red in the low byte)
constexpr std::uint32_t kThreeFailBack = 0x9BFFFF; // light yellow
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrey = 0x9B9B9B;

void ShowCheck(CTrellisEx& grid, int row, const Recipient& r) {
    grid.SetCellCheck(row, 1, r.checked);
    grid.SetItemData(row, 4, r.appUser ? 1 : 0);
    grid.SetItemFgColour(row, 4, r.appUser ? kBlack : kGrey);
}

} // namespace

void SetupSmmsColumns(CTrellisEx& grid) {
    grid.DeleteAllItems();
    grid.horizontalHeader()->setStretchLastSection(true);
    grid.InsertColumn("No.", kNumberFormat);
    grid.InsertColumn(K("회원명"), kCellFormat);
    grid.InsertColumn(K("전화번호"), kCellFormat);
    grid.InsertColumn(K("포인트"), kNumberFormat);
    grid.InsertColumn(K("AlderS접속"), kCellFormat);
    grid.InsertColumn(K("비고"), kCellFormat);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
}

void FillSmmsRows(CTrellisEx& grid, const RecipientList& list, size_t fromIndex) {
    const std::string threeFail = K("3회수신실패");
    grid.SetRedraw(false);
    if (fromIndex == 0)
        grid.DeleteNonFixedRows();
    for (size_t i = fromIndex; i < list.size(); ++i) {
        const Recipient& r = list[i];
        const int row = grid.InsertRow(std::to_string(i + 1));
        grid.SetItemData(row, 0, r.code);
        grid.SetItemText(row, 1, r.name);
        grid.SetCellTypeCheck(row, 1, true);
        grid.SetItemText(row, 2, r.phone);
        grid.SetItemFgColour(row, 2, kPhoneColor);
        grid.SetItemText(row, 3, r.text3);
        grid.SetItemText(row, 4, r.appDate);
        grid.SetItemText(row, 5, r.remark);
        if (r.remark == threeFail)
            grid.SetRowBkColor(row, kThreeFailBack);
        ShowCheck(grid, row, r);
    }
    grid.SetRedraw(true);
    grid.FitColumnsOnce();
}

void ShowSmmsChecks(CTrellisEx& grid, const RecipientList& list) {
    grid.SetRedraw(false);
    for (size_t i = 0; i < list.size(); ++i)
        ShowCheck(grid, static_cast<int>(i) + 1, list[i]);
    grid.SetRedraw(true);
}

void ReadSmmsChecks(const CTrellisEx& grid, RecipientList& list) {
    const size_t shown = static_cast<size_t>(grid.GetRowCount() > 0 ? grid.GetRowCount() - 1 : 0);
    for (size_t i = 0; i < list.size() && i < shown; ++i)
        list[i].checked = grid.IsCellChecked(static_cast<int>(i) + 1, 1);
}
