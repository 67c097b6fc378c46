// The 080 opt-out management dialog: the store's refusal requests matched to members, their filters,
// the download from the opt-out server, and carrying the refusals out (member flag, notice by SMS,
// completion). The rules and statements live in optout/; this class wires the widgets to them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/widgets/moduledlg.h"
#include "optout/refusalcompletion.h"
#include "optout/refusallist.h"

class CSQLDirect;
class CTrellisEx;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

class CRefuseListDlg : public CModuleDlg {
    Q_OBJECT
public:
    CRefuseListDlg(CSQLDirect* db, int32_t empCode, QWidget* parent = nullptr);
    ~CRefuseListDlg() override;

    // Start() (CModuleDlg) is false when the store cannot be read: exec() then returns Rejected
    // without showing the dialog.

    const std::string& SessionId() const { return m_sessionId; }

    // The buttons' operations: "조 회", "요청자료수신", "수신거부리스트", "수신거부적용", "처리결과알림",
    // "임의완료처리".
    void QueryRequests();
    void OnDownload();
    void OnOpenPage();
    void OnApplyRefusal();
    void OnSendNotices();
    void OnCompleteByHand();

private:
    bool OnInitDialog() override;
    void BuildControls();
    void SetupColumns();
    void SetToolTips();
    // The ticked rows (or, on Yes, every listed row) as the three selection lists. False when the user
    // declined or there was nothing to choose.
    bool SelectRequests(RefusalAction action);
    // Opens the SMS dialog on the requesters and completes the requests it notified. True when at least
    // one notice went out (sent or reserved).
    bool SendCompletionNotices();
    // The ticks of the member column, one per row of m_rows.
    std::vector<bool> Ticks() const;

    CSQLDirect* m_db;
    int32_t m_empCode;
    std::string m_businessNumber; // ccode row 22
    int32_t m_storeCode = 0;      // ccode row 7
    std::string m_sessionId;      // empty until the opt-out server accepted the store

    // The rows of the last query, one per grid row below the titles.
    std::vector<RefusalRow> m_rows;
    // What the current action works on.
    RefusalSelection m_selection;

    QDateEdit* m_from = nullptr;           // 2098
    QDateEdit* m_to = nullptr;             // 2100
    QComboBox* m_statusFilter = nullptr;   // 2102
    QComboBox* m_smsFilter = nullptr;      // 2101
    QLineEdit* m_search = nullptr;         // 2103
    QPushButton* m_query = nullptr;        // 6
    QPushButton* m_download = nullptr;     // 3
    QPushButton* m_page = nullptr;         // 7
    QPushButton* m_apply = nullptr;        // 4
    QPushButton* m_notify = nullptr;       // 5
    QPushButton* m_completeHand = nullptr; // 8
    CTrellisEx* m_grid = nullptr;          // 1861
};
