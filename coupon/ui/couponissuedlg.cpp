#include "coupon/ui/couponissuedlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWebEngineSettings>

#include "center/pagehandover.h"
#include "center/send/sendsettle.h"
#include "center/web/pagecommand.h"
#include "center/web/pagescript.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "coupon/couponstore.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/operationpump.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::FromCp949;
using zmsg::K;

namespace {

constexpr int kLoadDelayMs = 100;
constexpr std::uint32_t kBackground = 0xF4F4F4;
constexpr std::uint32_t kFrameRed = 0x2B39C1;    // red 193, green 57, blue 43
constexpr std::uint32_t kRadioBlue = 0xCD6969;   // red 105, green 105, blue 205
constexpr std::uint32_t kDescribeRed = 0x6969C3; // red 195, green 105, blue 105
constexpr std::uint32_t kPhoneColor = 0x9B0000;  // dark blue
constexpr unsigned kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kNumberFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

// The frame around the pages: light grey, outlined left, bottom and right with a five-pixel band
// across its top, in red.
class CCouponFrame : public QWidget {
public:
    explicit CCouponFrame(QWidget* parent) : QWidget(parent) { setContentsMargins(2, 7, 2, 2); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, zmsg::ColorFromRef(kBackground));
        const QColor red = zmsg::ColorFromRef(kFrameRed);
        p.setPen(red);
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.bottomRight(), r.topRight());
        p.fillRect(QRect(r.left(), r.top(), r.width(), 5), red);
    }
};

void SetTextColor(QWidget* widget, std::uint32_t text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, zmsg::ColorFromRef(text));
    palette.setColor(QPalette::Window, zmsg::ColorFromRef(kBackground));
    widget->setPalette(palette);
}

} // namespace

CCouponIssueDlg::CCouponIssueDlg(CSQLDirect* db, int32_t empCode, std::string codeList, std::string condition,
                                 QWidget* parent)
    : CModuleDlg(K("----------------- 쿠폰 발행창 시작 -----------------"), parent), m_db(db),
      m_empCode(empCode), m_codeList(std::move(codeList)), m_condition(std::move(condition)) {
    setObjectName(QStringLiteral("CCouponIssueDlg"));
    setWindowTitle(QStringLiteral("AlderS 쿠폰 발행"));
    BuildControls();
    m_loadTimer.setInterval(kLoadDelayMs);
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, &CCouponIssueDlg::OnTimer);
}

CCouponIssueDlg::~CCouponIssueDlg() = default;

bool CCouponIssueDlg::OnInitDialog() {
    if (!m_db || CheckCouponStore(*m_db, m_mart, BoxParent()) != CouponStoreCheck::Passed)
        return false;

    setWindowTitle(QStringLiteral("AlderS 쿠폰발행 - ") + FromCp949(theApp().GetVersionString()));
    ApplyModuleFont(this);
    m_allRadio->setChecked(true);
    SetupColumns();
    SetPage(kPageMembers);
    ShowChosenCoupon();

    // An issue of this store whose end never came back may have given the coupon already: the clerk
    // hears of it now, and the next press asks the center about it before a new issue may begin.
    if (std::optional<PendingSend> pending = UnresolvedInJournal(SendKind::Coupon);
        pending && pending->storeCode == m_mart) {
        m_unsettled = std::move(pending);
        const std::string text = CouponIssueTransaction::PendingIssueText(*m_unsettled);
        WriteLog(text, 1);
        ShowMessageBox(text, MB_OK, 0, 0, BoxParent());
    }
    if (!m_codeList.empty() || !m_condition.empty())
        m_loadTimer.start();
    return true;
}

void CCouponIssueDlg::BuildControls() {
    auto* root = new QVBoxLayout(this);

    auto* tabs = new QHBoxLayout;
    static const struct {
        const char* text;
        const char* name;
        const char* tip;
    } kTabs[] = {{"발행대상", "pageMembersButton", "AlderS 쿠폰을 발행할 대상을 선택합니다."},
                 {"쿠폰함", "pageCouponsButton", "센터에 준비된 쿠폰함에서 발행할 쿠폰을 선택합니다."},
                 {"발행내역", "pageIssuesButton", "AlderS 쿠폰 발행내역을 조회합니다."}};
    for (int i = 0; i < 3; ++i) {
        m_pageButtons[i] = Button(QString::fromUtf8(kTabs[i].text), kTabs[i].name, this);
        m_pageButtons[i]->setCheckable(true);
        m_pageButtons[i]->setToolTip(QString::fromUtf8(kTabs[i].tip));
        connect(m_pageButtons[i], &QPushButton::clicked, this, [this, i] { SetPage(i + 1); });
        tabs->addWidget(m_pageButtons[i]);
    }
    tabs->addStretch();
    root->addLayout(tabs);

    auto* body = new QHBoxLayout;
    auto* frame = new CCouponFrame(this); // 2041
    frame->setObjectName(QStringLiteral("paneFrame"));
    auto* pane = new QVBoxLayout(frame);
    pane->setContentsMargins(8, 12, 8, 8);

    m_targetBox = new QGroupBox(QStringLiteral("발행대상"), frame);
    m_targetBox->setObjectName(QStringLiteral("targetBox"));
    auto* radios = new QHBoxLayout(m_targetBox);
    m_allRadio = new QRadioButton(QStringLiteral("전체 회원"), m_targetBox);
    m_allRadio->setObjectName(QStringLiteral("allMembersRadio"));
    m_someRadio = new QRadioButton(QStringLiteral("특정 회원"), m_targetBox);
    m_someRadio->setObjectName(QStringLiteral("someMembersRadio"));
    SetTextColor(m_allRadio, kRadioBlue);
    SetTextColor(m_someRadio, kRadioBlue);
    radios->addWidget(m_allRadio);
    radios->addWidget(m_someRadio);
    radios->addStretch();
    pane->addWidget(m_targetBox);

    m_description = new QLabel(frame);
    m_description->setObjectName(QStringLiteral("targetDescription"));
    SetTextColor(m_description, kDescribeRed);
    pane->addWidget(m_description);

    m_grid = new CTrellisEx(frame);
    m_grid->setObjectName(QStringLiteral("memberGrid"));
    m_grid->SetListModeDefault();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    pane->addWidget(m_grid, 1);

    auto* checks = new QHBoxLayout;
    checks->addStretch();
    m_checkAll = Button(QStringLiteral("모두체크"), "checkAllButton", frame);
    m_uncheckAll = Button(QStringLiteral("모두해제"), "uncheckAllButton", frame);
    checks->addWidget(m_checkAll);
    checks->addWidget(m_uncheckAll);
    pane->addLayout(checks);

    // The center's pages. Made before the first show: a view added to a shown dialog re-creates its
    // native window, which then jumps.
    m_listBrowser = new CWebBrowser2(frame);
    m_listBrowser->setObjectName(QStringLiteral("couponListBrowser"));
    m_listBrowser->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_listBrowser->AddPageCommand(std::string(zmsg::kDoSelectCoupon), this, [this] { OnSelectCoupon(); });
    pane->addWidget(m_listBrowser, 1);
    body->addWidget(frame, 1);

    auto* side = new QVBoxLayout;
    auto* chosenLabel = new QLabel(QStringLiteral("선택한 쿠폰"), this);
    side->addWidget(chosenLabel);
    m_chosenBrowser = new CWebBrowser2(this);
    m_chosenBrowser->setObjectName(QStringLiteral("chosenCouponBrowser"));
    m_chosenBrowser->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_chosenBrowser->setFixedWidth(260);
    connect(m_chosenBrowser, &CWebBrowser2::DocumentComplete, m_chosenBrowser,
            &CWebBrowser2::HidePageScrollbars);
    side->addWidget(m_chosenBrowser, 1);
    m_ok = Button(QStringLiteral("AlderS 쿠폰 발행"), "issueButton", this);
    m_ok->setMinimumHeight(34);
    side->addWidget(m_ok);
    auto* close = Button(QStringLiteral("닫기"), "closeButton", this);
    side->addWidget(close);
    body->addLayout(side);
    root->addLayout(body, 1);

    connect(m_allRadio, &QRadioButton::toggled, this, &CCouponIssueDlg::UpdateTarget);
    connect(m_checkAll, &QPushButton::clicked, this, [this] { OnCheckAll(true); });
    connect(m_uncheckAll, &QPushButton::clicked, this, [this] { OnCheckAll(false); });
    connect(m_ok, &QPushButton::clicked, this, &CCouponIssueDlg::accept);
    connect(close, &QPushButton::clicked, this, &CCouponIssueDlg::reject);
    resize(900, 640);
}

void CCouponIssueDlg::SetupColumns() {
    m_grid->DeleteAllItems();
    m_grid->InsertColumn("No.", kNumberFormat);
    m_grid->InsertColumn(K("회원명"), kCellFormat);
    m_grid->InsertColumn(K("전화번호"), kCellFormat);
    m_grid->InsertColumn(K("포인트"), kNumberFormat);
    m_grid->InsertColumn(K("상호"), kCellFormat);
    m_grid->InsertColumn(K("AlderS접속"), kCellFormat);
    m_grid->InsertColumn(K("비고"), kCellFormat);
    m_grid->SetFixedRowCount(1);
    m_grid->SetFixedColumnCount(1);
}

void CCouponIssueDlg::SetPage(int page) {
    for (int i = 0; i < 3; ++i)
        m_pageButtons[i]->setChecked(i + 1 == page); // a second click must not un-press it
    if (page == m_page)
        return;
    m_page = page;
    const bool members = page == kPageMembers;
    m_targetBox->setVisible(members);
    m_description->setVisible(members);
    m_listBrowser->setVisible(!members);
    if (!members)
        m_listBrowser->Navigate2(
            zmsg::CouponPageUrl(page == kPageCoupons ? "COUPON" : "ISSUELIST", m_mart, m_empCode));
    UpdateTarget();
}

bool CCouponIssueDlg::SpecificMembers() const {
    return m_someRadio->isChecked();
}

void CCouponIssueDlg::UpdateTarget() {
    m_description->setText(
        SpecificMembers()
            ? QStringLiteral("(아래 지정한 회원만을 대상으로 발행합니다.)")
            : QStringLiteral("(우리 점포를 단골마트로 지정한 모든 회원을 대상으로 발행합니다.)"));
    const bool grid = m_page == kPageMembers && SpecificMembers();
    m_grid->setVisible(grid);
    m_checkAll->setVisible(grid);
    m_uncheckAll->setVisible(grid);
}

void CCouponIssueDlg::OnTimer() {
    m_loadTimer.stop();
    LoadMembers();
}

void CCouponIssueDlg::LoadMembers() {
    RecipientLoadSummary summary;
    {
        CDialogProgress progress(this);
        RecipientLoadRequest request;
        request.codeList = m_codeList;
        request.condition = m_condition;
        request.variant = RecipientLoadVariant::Coupon;
        summary = LoadRecipients(*m_db, request, m_list, progress.Hooks());
    }
    FillRows();
    // The coupon's summary has the app message's wording: refusal and failed deliveries count nothing.
    const std::string message = AppLoadSummaryMessage(summary);
    if (!message.empty())
        ShowMessageBox(message, MB_OK, 0, 0, BoxParent());
}

void CCouponIssueDlg::FillRows() {
    m_grid->SetRedraw(false);
    m_grid->DeleteNonFixedRows();
    for (size_t i = 0; i < m_list.size(); ++i) {
        const Recipient& r = m_list[i];
        const int row = m_grid->InsertRow(std::to_string(i + 1));
        m_grid->SetItemData(row, 0, r.code);
        m_grid->SetItemText(row, 1, r.name);
        m_grid->SetCellTypeCheck(row, 1, true);
        m_grid->SetCellCheck(row, 1, r.checked);
        m_grid->SetItemText(row, 2, r.phone);
        m_grid->SetItemFgColour(row, 2, kPhoneColor);
        m_grid->SetItemText(row, 3, r.text3);
        m_grid->SetItemText(row, 4, r.text4);
        m_grid->SetItemText(row, 5, r.appDate);
        m_grid->SetItemData(row, 5, 0);
    }
    m_grid->SetRedraw(true);
    m_grid->FitColumnsOnce();
}

void CCouponIssueDlg::OnCheckAll(bool checked) {
    m_grid->SetRedraw(false);
    for (int row = 1; row < m_grid->GetRowCount(); ++row)
        m_grid->SetCellCheck(row, 1, checked);
    m_grid->SetRedraw(true);
}

int CCouponIssueDlg::CheckedCount() const {
    int checked = 0;
    for (int row = 1; row < m_grid->GetRowCount(); ++row)
        checked += m_grid->IsCellChecked(row, 1) ? 1 : 0;
    return checked;
}

void CCouponIssueDlg::OnSelectCoupon() {
    m_listBrowser->CallPageFunction("jsGetCouponInfo", this, [this](const zmsg::PageValues& page) {
        const std::string text = page.ok() && page.values.size() == 1 ? page.values[0] : std::string();
        m_coupon = CouponFromPage(text);
        WriteLog(K("쿠폰 선택 : CP=") + std::to_string(m_coupon), 0);
        ShowChosenCoupon();
    });
}

void CCouponIssueDlg::ShowChosenCoupon() {
    m_chosenBrowser->Navigate2(zmsg::CouponSelectedUrl(m_coupon));
    m_chosenBrowser->setFocus();
}

void CCouponIssueDlg::accept() {
    CouponIssueInput input;
    input.storeCode = m_mart;
    input.empCode = m_empCode;
    input.coupon = m_coupon;
    input.allMembers = !SpecificMembers();
    const size_t shown = static_cast<size_t>(m_grid->GetRowCount() > 0 ? m_grid->GetRowCount() - 1 : 0);
    input.rows.reserve(shown);
    for (size_t i = 0; i < shown && i < m_list.size(); ++i)
        input.rows.push_back(
            CouponRow{m_grid->IsCellChecked(static_cast<int>(i) + 1, 1), m_list[i].code, m_list[i].phone});
    input.ownUnsettled = m_unsettled;
    input.issuedBefore = m_issuedBefore;

    // Its window appears at the first step shown, that is once the checks have passed.
    CDialogProgress progress(this);

    CouponIssueResult result;
    {
        // The windows keep painting while the issue holds the thread; nothing of this dialog runs.
        const zmsg::ScopedOperation operation;
        CouponIssueTransaction issue(*m_db, std::move(input), progress.Hooks());
        result = issue.Run();
    }
    progress.Close();
    ApplyIssueResult(result);
}

void CCouponIssueDlg::ApplyIssueResult(const CouponIssueResult& result) {
    m_unsettled = result.unsettled;
    // Only this press's own issue; a settled earlier one is kept apart, for the repeat question.
    if (result.issue != 0)
        m_issue = result.issue;
    if (result.outcome == CouponIssueOutcome::PreviousCompleted && result.settled)
        m_issuedBefore = result.settled->send;
    if (!result.rowsReached.empty()) {
        for (size_t i : result.rowsReached)
            if (static_cast<int>(i) + 1 < m_grid->GetRowCount())
                m_grid->SetCellCheck(static_cast<int>(i) + 1, 1, false);
        SetPage(kPageMembers);
    }
    if (result.outcome == CouponIssueOutcome::Refused && result.page != 0)
        SetPage(result.page);
    // Only an issue the center ended closes the window; anything else leaves it for the next press.
    if (result.outcome == CouponIssueOutcome::Issued)
        QDialog::accept();
}
