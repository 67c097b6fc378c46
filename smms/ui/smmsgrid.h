// Showing the app-message dialog's members in its grid. The list holds the truth; the grid shows it:
// grid row i + 1 is list row i. Columns: "No." (item data: the member code, 0 for a row typed by hand),
// name with the check box, phone, points, the app's last signal (item data: 1 when the row passed the
// last filter), remark.
#pragma once

#include <cstddef>

class CTrellisEx;
class RecipientList;

// Empties the grid and puts in the six columns, one fixed row and column.
void SetupSmmsColumns(CTrellisEx& grid);
// Appends list rows fromIndex.. (0 first empties the grid) with drawing off, then draws once.
void FillSmmsRows(CTrellisEx& grid, const RecipientList& list, size_t fromIndex = 0);
// Shows every row's check and filter mark again (after the filter or check all/none).
void ShowSmmsChecks(CTrellisEx& grid, const RecipientList& list);
// Copies the grid's check boxes back into the list (after a click toggled one).
void ReadSmmsChecks(const CTrellisEx& grid, RecipientList& list);
