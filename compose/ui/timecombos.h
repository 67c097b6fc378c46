// The choices the send dialogs offer for a time and for the members' mobile signal, filled alike in
// the SMS dialog (its reservation) and the app-message dialog (its popup).
#pragma once

class QComboBox;
class QDateEdit;

namespace zmsg {

// Hours "자정", "오전 1" .. "정오" .. "오후11" with noon chosen, minutes in steps of ten with 00 chosen,
// and today's date. The combos' signals are held while they fill.
void FillTimeCombos(QComboBox* hour, QComboBox* minute, QDateEdit* date);
// "-모바일신호-" (no period, -1) and the periods in days as item data, "3일이내" chosen.
void FillSignalCombo(QComboBox* signal);

} // namespace zmsg
