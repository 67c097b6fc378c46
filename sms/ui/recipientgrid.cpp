#include "sms/ui/recipientgrid.h"

#include <string>

#include <QHeaderView>

#include "frame/widgets/trellisex.h"
#include "members/recipientlist.h"
#include "text/codec.h"

using zmsg::K;
using namespace recipientgrid;

namespace {

constexpr unsigned kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kNumberFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Titles of columns 1, 3 and 4, which differ by target type; the rest are shared.
struct TypeTitles {
    const char* name;
    const char* third;
    const char* fourth;
};

TypeTitles TitlesOf(int targetType) {
    switch (targetType) {
    case 1:
        return {"직원명", "부서", "직함"};
    case 2:
        return {"담당자", "공급사명", "대표자"};
    case 3:
        return {"회원명", "포인트", "요청일"};
    default:
        return {"회원명", "포인트", "최종방문"};
    }
}

// What changes over a row's life: the check box, the channel marks and the app-signal mark.
void ShowState(CTrellisEx& grid, int row, const Recipient& r) {
    grid.SetCellCheck(row, 1, r.checked);
    grid.SetItemData(row, 1, r.bySms ? 1 : 0);
    grid.SetItemData(row, 2, r.byApp ? 1 : 0);
    grid.SetItemData(row, 5, r.appUser ? 1 : 0);
    grid.SetItemFgColour(row, 5, r.appUser ? kBlack : kAppOtherText);
    grid.SetItemBkColour(row, 5, r.appUser ? kAppUserBack : kWhite);
}

} // namespace

void SetupRecipientColumns(CTrellisEx& grid, int targetType) {
    grid.DeleteAllItems();
    // The remarks column takes whatever room the others leave, so nothing ends cut at the right edge.
    grid.horizontalHeader()->setStretchLastSection(true);
    const TypeTitles t = TitlesOf(targetType);
    const bool members = targetType == 0 || targetType == 3;
    grid.InsertColumn("No.", kNumberFormat);
    grid.InsertColumn(K(t.name), kCellFormat);
    grid.InsertColumn(K("전화번호"), kCellFormat);
    grid.InsertColumn(K(t.third), members ? kNumberFormat : kCellFormat);
    grid.InsertColumn(K(t.fourth), kCellFormat);
    grid.InsertColumn(K("모바일신호"), kCellFormat);
    grid.InsertColumn(K("비고"), kCellFormat);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
}

void FillRecipientRows(CTrellisEx& grid, const RecipientList& list, size_t fromIndex) {
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
        grid.SetItemText(row, 4, r.text4);
        grid.SetItemText(row, 5, r.appDate);
        if (!r.remark.empty()) {
            grid.SetItemText(row, 6, r.remark);
            grid.SetItemFgColour(row, 6, kRemarkColor);
        }
        ShowState(grid, row, r);
    }
    grid.SetRedraw(true);
    grid.FitColumnsOnce();
}

void RefreshRecipientRow(CTrellisEx& grid, const RecipientList& list, size_t index) {
    if (index >= list.size())
        return;
    const Recipient& r = list[index];
    const int row = static_cast<int>(index) + 1;
    ShowState(grid, row, r);
    grid.SetItemText(row, 4, r.text4); // the refusal work fills in request dates after the load
}

void ReadChecks(const CTrellisEx& grid, RecipientList& list) {
    const size_t shown = static_cast<size_t>(grid.GetRowCount() > 0 ? grid.GetRowCount() - 1 : 0);
    for (size_t i = 0; i < list.size() && i < shown; ++i)
        list[i].checked = grid.IsCellChecked(static_cast<int>(i) + 1, 1);
}

void SelectRecipientRows(CTrellisEx& grid, size_t first, size_t last) {
    if (first > last)
        return;
    grid.SetSelectedRange(static_cast<int>(first) + 1, 1, static_cast<int>(last) + 1, 4);
    grid.EnsureVisible(static_cast<int>(last) + 1, 1);
}
