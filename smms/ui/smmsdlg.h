// The app-message dialog: a title, a body and one picture for the store's app members, the member grid
// with its mobile-signal filter, the callback number, the popup reservation and the center's pages
// (image box, sent messages, other stores' messages). The rules live in smms/ and sms/ (members,
// account, draft); this class wires the widgets to them.
#pragma once

#include <cstdint>
#include <string>

#include <QTimer>

#include "compose/smmsdraft.h"
#include "frame/widgets/moduledlg.h"
#include "smms/smmsaccount.h"
#include "smms/smmssend.h"
#include "smms/uploadfile.h"
#include <optional>

#include "center/send/sendstate.h"
#include "members/recipientlist.h"

class CBlinkStatic;
class CImagePreview;
class CPendingLine;
class CSQLDirect;
class CTrellisEx;
class CWebBrowser2;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

class CSmmsDlg : public CModuleDlg {
    Q_OBJECT
public:
    // Pages of the right-hand side.
    enum Page : int { kPageMembers = 1, kPageImageBox = 2, kPageSent = 4, kPageOpen = 5 };

    // imagePath: as the host gives it, CP949 text; ImagePath() is the file's name on the file system.
    CSmmsDlg(CSQLDirect* db, int32_t empCode, std::string memberCodes, std::string memberCondition,
             std::string imagePath, QWidget* parent = nullptr);
    ~CSmmsDlg() override;

    // Start() (CModuleDlg) is false when the dialog must close at once: no account, a center failure.

    // For the send and the tests.
    const SmmsAccount& Account() const { return m_account; }
    const RecipientList& Recipients() const { return m_list; }
    int CheckedCount() const { return m_checked; }
    int CurrentPage() const { return m_page; }
    const std::string& ImagePath() const { return m_strImagePath; }
    int32_t CenterImageBox() const { return m_centerImageBox; }
    int32_t CenterImage() const { return m_centerImage; }
    int32_t LocalSendCode() const { return m_localCode; }
    CWebBrowser2* Browser() const { return m_browser; }
    // The draft as the window would write it now.
    SmmsDraft CurrentDraft() const;

    void ShowPage(int page);
    void RecountChecked();

public slots:
    void accept() override; // OnOK: the send button
    void reject() override; // OnCancel: asks first, keeps the draft

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnInitDialog() override;
    SmmsAccountFetch InitAccount();
    void BuildControls();
    QWidget* BuildLeftPane();
    QWidget* BuildRightPane();
    void SetToolTips();

    void OnTimer();
    void LoadSmmsMembers();
    void ApplySignalFilter();
    void OnAddRecipient();
    void OnCheckAll(bool checked);
    void OnClickGrid(int row, int column);
    void OnMyMobile();
    void OnSelectCallback();
    void OnBodyChanged();
    void OnSpecialChar(bool title);
    void OnLocalImage();
    void OnUseWebImgBox();
    void OnUseWebCopyMsg();
    void ApplyImageBoxChoice(const std::string& pageText);
    void ApplyCopiedMessage(const std::string& pageText);
    bool LoadPreview(const std::string& path);
    void LayoutLeftPane();
    void LayoutPopup();
    void LoadDraft();
    void SaveDraft(int32_t sent);
    // The send: the input from the controls, and what its result asks of the window.
    SmmsSendInput SendInput();
    // The advertising questions asked before a send (night-time advertising); true goes on.
    // What a send changed (the unsettled send, the history code, rows an earlier message reached),
    // shown before its report; then the focus, or the close.
    void ShowSendChanges(const SmmsSendResult& result);
    // The red line of the app message waiting to be settled.
    void ShowPendingSend();
    void ApplySendResult(const SmmsSendResult& result);
    void FocusAt(int control, int caret);
    std::string TitleText() const;
    std::string BodyText() const;

    // The preview's box: a picture is fitted inside and the pane below moves up to its rendered height.
    static constexpr int kPreviewWidth = 250;
    static constexpr int kPreviewHeight = 250;

    // Constructor arguments.
    CSQLDirect* m_db;
    int32_t m_empCode;
    std::string m_memberCodes;
    std::string m_memberCondition;
    std::string m_strImagePath;

    SmmsAccount m_account;
    RecipientList m_list;
    int m_checked = 0;
    int32_t m_centerImageBox = 0;
    int32_t m_centerImage = 0;
    int32_t m_localCode = 0; // ss_code of this window's recorded send
    int m_page = 0;
    // This window's send whose end was left unsettled, until a later press settles it.
    std::optional<PendingSend> m_unsettled;
    bool m_opened = false;
    QTimer m_loadTimer;            // timer 1: the delayed member load
    zmsg::SmmsUploadFile m_upload; // the window's own file for the edited picture

    // Left pane.
    QLineEdit* m_title = nullptr;          // 2036
    QPushButton* m_titleSpecial = nullptr; // 2062
    QPlainTextEdit* m_body = nullptr;      // 2026
    QPushButton* m_bodySpecial = nullptr;  // 2058
    CBlinkStatic* m_counter = nullptr;     // 2016
    CImagePreview* m_preview = nullptr;    // 2055
    QPushButton* m_localImage = nullptr;   // 2020
    QPushButton* m_imageBox = nullptr;     // 2021
    QLineEdit* m_callback = nullptr;       // 2034
    QPushButton* m_myMobile = nullptr;     // 2019
    QPushButton* m_selectCallback = nullptr;
    QCheckBox* m_popup = nullptr;       // 2052
    QDateEdit* m_popupDate = nullptr;   // 2048
    QComboBox* m_popupHour = nullptr;   // 2049
    QComboBox* m_popupMinute = nullptr; // 2050
    QWidget* m_popupTime = nullptr;     // the row of 2049 and 2050
    QPushButton* m_send = nullptr;      // 1

    CPendingLine* m_pendingLine = nullptr; // the app message waiting to be settled

    // Right pane.
    QPushButton* m_pageButtons[4] = {}; // 2027, 2028, 2030, 2031
    QStackedWidget* m_pages = nullptr;
    CTrellisEx* m_grid = nullptr;        // 1861
    CWebBrowser2* m_browser = nullptr;   // 2502
    QComboBox* m_signal = nullptr;       // 2008
    QLineEdit* m_addName = nullptr;      // 2022
    QLineEdit* m_addPhone = nullptr;     // 2023
    QPushButton* m_addButton = nullptr;  // 2024
    QPushButton* m_checkAll = nullptr;   // 2033
    QPushButton* m_uncheckAll = nullptr; // 2056
    QLabel* m_checkedLabel = nullptr;
    QCheckBox* m_allUser = nullptr; // 2094
};
