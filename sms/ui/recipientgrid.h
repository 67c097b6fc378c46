// Showing the recipient list in the SMS dialog's grid. The list holds the truth; the grid shows it:
// grid row i + 1 is list row i.
#pragma once

#include <cstddef>
#include <cstdint>

class CTrellisEx;
class RecipientList;

namespace recipientgrid {
constexpr std::uint32_t kPhoneColor = 0x9B0000;   // dark blue (red in the low byte)
constexpr std::uint32_t kRemarkColor = 0x0000FF;  // red
constexpr std::uint32_t kAppUserBack = 0x9BFFFF;  // background of a member counted as an app user
constexpr std::uint32_t kAppOtherText = 0x9B9B9B; // grey app-signal date of the others
} // namespace recipientgrid

// Empties the grid and puts in the seven columns with the titles of the target type
// (0 members, 1 employees, 2 suppliers, 3 members who refused), one fixed row and column.
void SetupRecipientColumns(CTrellisEx& grid, int targetType);
// Appends list rows fromIndex.. to the grid (0 first empties it) with drawing off, then draws once
// and fits the columns.
void FillRecipientRows(CTrellisEx& grid, const RecipientList& list, size_t fromIndex = 0);
// Shows a changed list row again: check box, channel marks, app-signal mark and its colours.
void RefreshRecipientRow(CTrellisEx& grid, const RecipientList& list, size_t index);
// Copies the grid's check boxes back into the list (after a click or a key toggled one).
void ReadChecks(const CTrellisEx& grid, RecipientList& list);
// Selects list rows first..last, columns 1 to 4, and scrolls the last one into view.
void SelectRecipientRows(CTrellisEx& grid, size_t first, size_t last);
