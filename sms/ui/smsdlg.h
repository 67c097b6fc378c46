// The SMS dialog: account panel, recipient grid, message editor with its counter and advertising
// template, reservation and app-signal controls. The rules live in sms/ (account, composition,
// recipients); this class wires the widgets to them. Its methods are defined by concern across the
// smsdlg*.cpp files, as grouped below.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QTimer>

#include "combined/ui/combinedpart.h"
#include "compose/composition.h"
#include "compose/smsdraft.h"
#include "frame/widgets/moduledlg.h"
#include "members/recipientlist.h"
#include "members/targets.h"
#include "sms/account.h"
#include "sms/smssend.h"

class CBlinkStatic;
class CPanelFrame;
class CPendingLine;
class CSmsWebPanel;
class CSQLDirect;
class CTrellisEx;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QWidget;

class CSMSDlg : public CModuleDlg {
    Q_OBJECT
public:
    CSMSDlg(CSQLDirect* db, int32_t empCode, int32_t targetType, std::string codeList, std::string condition,
            QWidget* parent = nullptr);
    ~CSMSDlg() override;

    // Start() (CModuleDlg) is false when the dialog must close at once: no account, a center failure,
    // no store code.

    // What the opt-out list (which opens the dialog for its notices) and the tests read back.
    const SmsAccount& Account() const { return m_account; }
    const RecipientList& Recipients() const { return m_list; }
    int BindOnce() const { return m_bindOnce; }
    int32_t ResultSendCode() const { return m_resultSendCode; }
    // Every local send code this window recorded, in order: a reserved send keeps the window open for
    // another one.
    const std::vector<int32_t>& SendCodes() const { return m_sendCodes; }
    TargetCounts Counts() const { return m_counts; }
    double TotalChargeNow() const { return m_totalCharge; }
    double UnitChargeNow() const { return m_unitCharge; }

    // Kind, reservation, combined-send controls and account captions as they now stand (smsdlg.cpp).
    void UpdateModeDisplay();
    // The counts and charge of the ticked rows (smsdlgaccount.cpp).
    void RecountTargets();

public slots:
    void accept() override; // OnOK: the send button (smsdlgsend.cpp)
    void reject() override; // OnCancel: asks first (smsdlg.cpp)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override; // the grid's keys (smsdlgmembers.cpp)

private:
    // Construction, layout and life cycle (smsdlg.cpp).
    bool OnInitDialog() override;
    void BuildControls();
    void SetToolTips();

    // The message side: text, byte counter, kind, reservation (smsdlgmessage.cpp).
    QWidget* BuildMessageSide();
    void UpdateCounter();
    void OnKindSwitch();
    void OnReservation();
    void OnLmsEdit();
    void OnSpecialChar();
    void OnSelectCallback();
    void OnCopyMsgToApp(const std::string& message, const std::string& title);
    void RefuseUnencodable(const std::vector<std::string>& badChars);
    void SetEditorText(const std::string& cp949);
    bool IsLms() const;
    std::string EditorText() const;

    // The account panel: balance, charges, counts (smsdlgaccount.cpp).
    QWidget* BuildAccountPanel();
    void OnRefreshAccount();
    void ShowAccountValues();
    void ShowAccountFigures();

    // The list side's page tabs: the recipients or one of the center's pages (smsdlgpages.cpp).
    QWidget* BuildListSide();
    void OnWebTab(int tab);
    bool GridPageShown() const;

    // The recipient grid and the member list (smsdlgmembers.cpp).
    QWidget* BuildListPage(QWidget* parent);
    void OnTimer();
    // Recipient type 3: each requester's request date ("{요청일}"); a number without an open request is
    // unticked.
    void FillRequestDates();
    void OnAddRecipient();
    void OnPaste();
    void OnCheckAll(bool checked);
    void OnClickGrid(int row, int column);
    void ApplySignalFilter();
    void UpdateSignalComboVisibility();

    // Advertising: its template, the 080 number and its rules (smsdlgadvert.cpp).
    void ApplyAdTemplate();
    // Button 2039: the store's 080 number from the opt-out server.
    void OnOptOutNumber();
    // The advertising checks before a send: opt-out number, the rules, the night-time consent.
    bool AskAdRules(bool lms, const std::string& subject, const std::string& message,
                    const std::optional<QDateTime>& reservation);

    // Driving the send and the combined send's app part (smsdlgsend.cpp).
    void OnCombinedSend();
    // The picture button of the combined send.
    void OnImage();
    // What a send changed (rows sent, balance, counts, the unsettled send), shown before its report.
    void ShowSendChanges(const SmsSendResult& result);
    // Closes, moves to the history or puts the focus where the send's outcome says.
    void ApplySendOutcome(const SmsSendResult& result);
    void ShowPendingSend();

    // The draft kept between windows (smsdlgdraft.cpp).
    SmsDraft CurrentDraft() const;
    void LoadDraft();

    // Constructor arguments.
    CSQLDirect* m_db;
    int32_t m_empCode;
    int32_t m_targetType;
    std::string m_codeList;
    std::string m_condition;

    SmsAccount m_account;
    RecipientList m_list;
    TargetCounts m_counts;
    double m_unitCharge = 0;
    double m_totalCharge = 0;
    int m_bindOnce = 100;
    int32_t m_resultSendCode = 0;
    std::vector<int32_t> m_sendCodes;
    std::string m_subject; // the LMS subject
    bool m_overLimit = false;
    bool m_opened = false; // the opening went through: the dialog holds a message worth keeping
    // This window's send whose end was left unsettled, until a later press settles it (even when
    // another program settled it meanwhile).
    std::optional<PendingSend> m_unsettled;
    CCombinedPart m_combinedPart; // the combined send's picture and unsettled app part
    QTimer m_loadTimer;           // timer 1: the delayed recipient load

    // Message side.
    QWidget* m_messageArea = nullptr; // 2071 / 2072 background
    QPlainTextEdit* m_editor = nullptr;
    CBlinkStatic* m_counter = nullptr;
    QCheckBox* m_lms = nullptr;
    QPushButton* m_longEdit = nullptr;
    QPushButton* m_special = nullptr;
    QLineEdit* m_callback = nullptr;
    QPushButton* m_callbackButton = nullptr;
    QWidget* m_messageSide = nullptr;
    QCheckBox* m_reserve = nullptr;
    QWidget* m_reserveBox = nullptr; // the date, hour and minute
    QDateEdit* m_reserveDate = nullptr;
    QComboBox* m_reserveHour = nullptr;
    QComboBox* m_reserveMinute = nullptr;
    QCheckBox* m_noAdCheck = nullptr;
    QLineEdit* m_optOut = nullptr;
    QPushButton* m_optOutButton = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_close = nullptr;

    // Account panel.
    QLabel* m_balanceCaption = nullptr; // 2091
    QLabel* m_balance = nullptr;        // 2013
    QLabel* m_kindCaption = nullptr;    // 2078
    QLabel* m_unitLabel = nullptr;      // 2079
    QLabel* m_unitValue = nullptr;      // 2014
    QLabel* m_smsTargets = nullptr;     // 2038
    QLabel* m_appTargets = nullptr;     // 2017
    QLabel* m_usageCaption = nullptr;   // 2095
    QLabel* m_total = nullptr;          // 2110
    QLabel* m_remaining = nullptr;      // 2015
    QWidget* m_reservedLine = nullptr;  // 2047 .. 2049
    QLabel* m_reservedCount = nullptr;  // 2048
    QLabel* m_centerPhone = nullptr;    // 2040
    QLabel* m_centerFax = nullptr;      // 2037
    QLabel* m_accountLine[3] = {};      // 2082 .. 2084
    QPushButton* m_refresh = nullptr;   // 2054

    CPendingLine* m_pendingLine = nullptr; // the send waiting to be settled

    // List side.
    QPushButton* m_pageButtons[6] = {}; // 2027 .. 2032
    int m_webTab = 0;                   // 1 the recipients, 2 .. 6 the center's pages
    CSmsWebPanel* m_webPanel = nullptr; // 2502
    CPanelFrame* m_frame = nullptr;     // 2056
    QStackedWidget* m_pages = nullptr;
    CTrellisEx* m_grid = nullptr;       // 1861
    QLineEdit* m_addName = nullptr;     // 2020
    QLineEdit* m_addPhone = nullptr;    // 2021
    QPushButton* m_addButton = nullptr; // 2022
    QPushButton* m_pasteButton = nullptr;
    QPushButton* m_checkAll = nullptr;
    QPushButton* m_uncheckAll = nullptr;
    QComboBox* m_signal = nullptr;        // 2008
    QCheckBox* m_combined = nullptr;      // 2010
    QCheckBox* m_centerMembers = nullptr; // 2094
    QPushButton* m_imageButton = nullptr; // 2106
    QLabel* m_imageState = nullptr;       // the picture's state beside it
};
