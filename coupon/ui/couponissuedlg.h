// The coupon issue dialog: the store check, the members the host named (checked ones receive the
// coupon when "특정 회원" is chosen), the center's coupon list and issue history pages, the chosen
// coupon's page, and the issue itself (coupon/couponissue.h) on OK.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QTimer>

#include "center/send/sendstate.h"
#include "coupon/couponissue.h"
#include "frame/widgets/moduledlg.h"
#include "members/recipientlist.h"

class CSQLDirect;
class CTrellisEx;
class CWebBrowser2;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CCouponIssueDlg : public CModuleDlg {
    Q_OBJECT
public:
    enum Page : int { kPageMembers = 1, kPageCoupons = 2, kPageIssues = 3 };

    CCouponIssueDlg(CSQLDirect* db, int32_t empCode, std::string codeList, std::string condition,
                    QWidget* parent = nullptr);
    ~CCouponIssueDlg() override;

    // Start() (CModuleDlg) is false when the store check failed: exec() then returns Rejected without
    // showing the dialog.

    // For the issue and the tests.
    int32_t StoreCode() const { return m_mart; }
    int32_t ChosenCoupon() const { return m_coupon; }
    int32_t IssueCode() const { return m_issue; }
    int CurrentPage() const { return m_page; }
    bool SpecificMembers() const;
    int CheckedCount() const;
    const std::optional<PendingSend>& Unsettled() const { return m_unsettled; }
    CWebBrowser2* ListBrowser() const { return m_listBrowser; }
    CWebBrowser2* ChosenBrowser() const { return m_chosenBrowser; }

    void SetPage(int page);

public slots:
    void accept() override; // OnOK: the issue

private:
    bool OnInitDialog() override;
    void BuildControls();
    void SetupColumns();
    void OnTimer();
    void LoadMembers();
    void FillRows();
    void OnCheckAll(bool checked);
    void UpdateTarget();
    void OnSelectCoupon();
    void ShowChosenCoupon();
    void ApplyIssueResult(const CouponIssueResult& result);

    CSQLDirect* m_db;
    int32_t m_empCode;
    std::string m_codeList;
    std::string m_condition;

    int32_t m_mart = 0;
    int m_page = 0;
    int32_t m_coupon = 0;
    int32_t m_issue = 0;
    // An issue of this store whose end is unsettled (this window's, or found in the journal at start):
    // the next press asks the center about it before anything else.
    std::optional<PendingSend> m_unsettled;
    std::optional<PendingSend> m_issuedBefore; // the latest earlier issue a settle found ended
    RecipientList m_list;
    QTimer m_loadTimer; // timer 1: the delayed member load

    QPushButton* m_ok = nullptr;             // 1
    QPushButton* m_uncheckAll = nullptr;     // 2050
    QPushButton* m_checkAll = nullptr;       // 2033
    QPushButton* m_pageButtons[3] = {};      // 2027, 2028, 2029: pages 1, 2, 3
    CWebBrowser2* m_listBrowser = nullptr;   // 2502
    CWebBrowser2* m_chosenBrowser = nullptr; // 2503
    CTrellisEx* m_grid = nullptr;            // 1861
    QRadioButton* m_allRadio = nullptr;      // 2104
    QRadioButton* m_someRadio = nullptr;     // 2105
    QLabel* m_description = nullptr;         // 2042
    QGroupBox* m_targetBox = nullptr;        // 2106
};
