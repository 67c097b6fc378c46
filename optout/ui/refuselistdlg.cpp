#include "optout/ui/refuselistdlg.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "center/storecode.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/trellisex.h"
#include "optout/optoutprotocol.h"
#include "optout/refusalcompletion.h"
#include "optout/refusallist.h"
#include "optout/refusalstore.h"
#include "sms/ui/smsdlg.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::FromCp949;
using zmsg::K;

namespace {

constexpr unsigned kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kNumberFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
constexpr int kAuthOk = 1000;
constexpr int kOptOutLogLevel = 16;
// Button colours (0x00BBGGRR).
constexpr std::uint32_t kDownloadColor = 0x69E19B;
constexpr std::uint32_t kApplyColor = 0xCD9B9B;
constexpr std::uint32_t kQueryColor = 0x9BE1E1;
// The search edit's tip: a light yellow.
constexpr std::uint32_t kSearchTipColor = 0xE1FFFF;

enum Column {
    kNo,
    kDay,
    kNumber,
    kStatus,
    kEditDate,
    kMember,
    kBarcode,
    kMobile,
    kSms,
    kRefuseDate,
    kSmsDate
};

void Colour(QPushButton* button, std::uint32_t ref) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, zmsg::ColorFromRef(ref));
    button->setPalette(palette);
    button->setAutoFillBackground(true);
}

bool ReadFirstColumn(CSQLDirect& db, const char* sql, std::string& value) {
    const int result = db.ExecuteSQL(sql);
    if (result != SQL_OK || db.Fetch() != SQL_OK)
        return false;
    value = db.GetCol(1);
    return true;
}

int DayNumber(const QDate& date) {
    return date.year() * 10000 + date.month() * 100 + date.day();
}

QDate DateOf(int dayNumber) {
    return QDate(dayNumber / 10000, dayNumber / 100 % 100, dayNumber % 100);
}

} // namespace

CRefuseListDlg::CRefuseListDlg(CSQLDirect* db, int32_t empCode, QWidget* parent)
    : CModuleDlg(std::string(), parent), m_db(db), m_empCode(empCode) {
    setObjectName(QStringLiteral("CRefuseListDlg"));
    BuildControls();
    // From 24 hours ago to now.
    const QDateTime now = zmsg::Clock::now();
    m_from->setDate(now.addSecs(-24 * 3600).date());
    m_to->setDate(now.date());
}

CRefuseListDlg::~CRefuseListDlg() = default;

bool CRefuseListDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("수신거부관리"));
    ApplyModuleFont(this, 10);

    const std::optional<int32_t> storeCode = m_db ? ReadStoreCode(*m_db) : std::nullopt;
    if (!storeCode ||
        !ReadFirstColumn(*m_db, "SELECT cc_strval FROM ccode WHERE cc_code=22", m_businessNumber)) {
        LogAndShow(K("매장정보를 확인할 수 없습니다.(SQL오류)"), 1);
        return false;
    }
    m_storeCode = *storeCode;

    const OptOutAuth auth = AuthenticateOptOut(m_businessNumber, m_storeCode, AuthFormatTextRefuseList());
    if (auth.result == kAuthOk) {
        m_sessionId = auth.sessionId;
    } else {
        m_sessionId.clear();
        if (!auth.message.empty())
            LogAndShow(auth.message, kOptOutLogLevel);
        if (auth.result > kAuthOk)
            LogAndShow(K("서비스에 가입되지 않았거나 가입상태가 올바르지 않습니다."), 1);
    }

    m_statusFilter->clear();
    m_statusFilter->addItem(QStringLiteral("-처리통보-"), -1);
    for (int status : {0, 1, 2, 3, 4})
        m_statusFilter->addItem(
            status == kRefusalOpen ? QStringLiteral("미처리") : FromCp949(RefusalStatusText(status)), status);
    m_statusFilter->setCurrentIndex(0);
    m_smsFilter->clear();
    m_smsFilter->addItem(QStringLiteral("-SMS수신-"), -1);
    m_smsFilter->addItem(QStringLiteral("허용"), 0);
    m_smsFilter->addItem(QStringLiteral("거부"), 1);
    m_smsFilter->setCurrentIndex(0);
    SetToolTips();
    SetupColumns();
    return true;
}

void CRefuseListDlg::BuildControls() {
    auto* root = new QVBoxLayout(this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("요청일"), this));
    m_from = new QDateEdit(this);
    m_from->setObjectName(QStringLiteral("periodFrom"));
    m_to = new QDateEdit(this);
    m_to->setObjectName(QStringLiteral("periodTo"));
    for (QDateEdit* date : {m_from, m_to}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("~"), this));
    filters->addWidget(m_to);
    m_statusFilter = new QComboBox(this);
    m_statusFilter->setObjectName(QStringLiteral("statusCombo"));
    m_smsFilter = new QComboBox(this);
    m_smsFilter->setObjectName(QStringLiteral("smsCombo"));
    filters->addWidget(m_statusFilter);
    filters->addWidget(m_smsFilter);
    filters->addWidget(new QLabel(QStringLiteral("수신거부번호"), this));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setMaximumWidth(140);
    filters->addWidget(m_search);
    m_query = Button(QStringLiteral("조 회"), "queryButton", this);
    m_query->setDefault(true);
    filters->addWidget(m_query);
    filters->addStretch();
    root->addLayout(filters);

    m_grid = new CTrellisEx(this);
    m_grid->setObjectName(QStringLiteral("refuseGrid"));
    root->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    m_download = Button(QStringLiteral("요청자료수신"), "downloadButton", this);
    m_page = Button(QStringLiteral("수신거부리스트"), "pageButton", this);
    m_apply = Button(QStringLiteral("수신거부적용"), "applyButton", this);
    m_notify = Button(QStringLiteral("처리결과알림"), "noticeButton", this);
    m_completeHand = Button(QStringLiteral("임의완료처리"), "manualButton", this);
    buttons->addWidget(m_download);
    buttons->addWidget(m_page);
    buttons->addStretch();
    buttons->addWidget(m_apply);
    buttons->addWidget(m_notify);
    buttons->addWidget(m_completeHand);
    root->addLayout(buttons);

    Colour(m_download, kDownloadColor);
    Colour(m_apply, kApplyColor);
    Colour(m_query, kQueryColor);

    connect(m_query, &QPushButton::clicked, this, &CRefuseListDlg::QueryRequests);
    connect(m_download, &QPushButton::clicked, this, &CRefuseListDlg::OnDownload);
    connect(m_page, &QPushButton::clicked, this, &CRefuseListDlg::OnOpenPage);
    connect(m_apply, &QPushButton::clicked, this, &CRefuseListDlg::OnApplyRefusal);
    connect(m_notify, &QPushButton::clicked, this, &CRefuseListDlg::OnSendNotices);
    connect(m_completeHand, &QPushButton::clicked, this, &CRefuseListDlg::OnCompleteByHand);
    // 460 x 443 dialog units at the module's face.
    resize(1000, 660);
}

void CRefuseListDlg::SetToolTips() {
    m_completeHand->setToolTip(QStringLiteral("선택된 수신거부요청을 임의로 완료처리합니다."));
    m_download->setToolTip(QStringLiteral("추가된 수선거부요청을 내려받습니다."));
    m_notify->setToolTip(QStringLiteral("회원에게 처리결과에 대한 메시지를 발송합니다."));
    m_apply->setToolTip(QStringLiteral("회원을 수신거부처리하고, 처리결과에 대한 메시지를 발송합니다."));
    if (!m_sessionId.empty()) {
        m_page->setText(QStringLiteral("웹사이트 열기"));
        m_page->setToolTip(QStringLiteral("매장의 수신거부리스트 페이지를 호출합니다."));
    } else {
        m_page->setText(QStringLiteral("서비스안내"));
        m_page->setToolTip(QStringLiteral("080 수신거부서비스에 대한 안내페이지를 호출합니다."));
    }
    // The search edit's tip in its own light yellow, wrapped at 400 pixels.
    const QColor back = zmsg::ColorFromRef(kSearchTipColor);
    m_search->setStyleSheet(
        QStringLiteral("QToolTip { background-color: %1; color: black; padding: 5px 4px 3px 4px; }")
            .arg(back.name()));
    m_search->setToolTip(QStringLiteral("<p style='max-width:400px'>4자리 이상의 숫자로 뒷자리가 일치하는 "
                                        "수신거부번호를 검색합니다.</p>"));
}

void CRefuseListDlg::SetupColumns() {
    m_grid->DeleteAllItems();
    m_grid->SetFixedRowCount(1);
    m_grid->SetListMode(true);
    static const char* const kTitles[] = {"No",      "요청일",     "수신거부번호", "처리통보",
                                          "변경일",  "회원명",     "회원바코드",   "휴대폰",
                                          "SMS수신", "수신거부일", "완료통보일"};
    for (const char* title : kTitles)
        m_grid->InsertColumn(K(title), kCellFormat);
    m_grid->SetItemFormat(0, kNo, kNumberFormat);
    m_grid->SetFixedColumnCount(1);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->AutoSizeColumns();
}

void CRefuseListDlg::QueryRequests() {
    RefusalFilter filter;
    filter.startDay = DayNumber(m_from->date());
    filter.endDay = DayNumber(m_to->date());
    filter.status = m_statusFilter->currentIndex() < 0 ? -1 : m_statusFilter->currentData().toInt();
    filter.smsFlag = m_smsFilter->currentIndex() < 0 ? -1 : m_smsFilter->currentData().toInt();
    filter.search = zmsg::ToCp949Lossy(m_search->text().trimmed());

    RefusalQuery query = ::QueryRequests(*m_db, filter);
    if (!query.ok) {
        ShowNotice(query.notice);
        return;
    }
    m_rows = std::move(query.rows);

    m_grid->SetRedraw(false);
    m_grid->DeleteNonFixedRows();
    for (const RefusalRow& r : m_rows) {
        const int row = m_grid->InsertRow();
        m_grid->SetItemData(row, kNo, r.requestCode);
        m_grid->SetItemData(row, kStatus, r.status);
        m_grid->SetItemData(row, kMember, r.memberCode);
        if (r.requestRow) {
            char number[16];
            std::snprintf(number, sizeof number, "%d", row);
            m_grid->SetItemText(row, kNo, number);
            m_grid->SetItemText(row, kDay, r.requestDate);
            m_grid->SetItemText(row, kNumber, r.refusingNumber);
            m_grid->SetItemTipText(row, kNumber, r.calledNumber);
            m_grid->SetItemText(row, kStatus, RefusalStatusText(r.status));
            m_grid->SetItemText(row, kEditDate, r.editDate);
            m_grid->SetItemTipText(row, kEditDate, r.insertDate);
            m_grid->SetItemText(row, kRefuseDate, r.refuseDate);
            m_grid->SetItemText(row, kSmsDate, r.smsDate);
        }
        if (r.checkable) {
            m_grid->SetCellTypeCheck(row, kMember, true);
            m_grid->SetCellCheck(row, kMember, false);
        }
        if (r.memberCode > 0) {
            m_grid->SetItemText(row, kMember, r.memberName);
            m_grid->SetItemText(row, kBarcode, r.memberBarcode);
            m_grid->SetItemText(row, kMobile, r.memberPhone);
            m_grid->SetItemText(row, kSms, K(r.memberRefuses ? "거부" : "허용"));
        }
    }
    m_grid->SetRedraw(true);
    m_grid->AutoSizeColumns();
}

void CRefuseListDlg::OnDownload() {
    const DownloadOutcome outcome = DownloadRequests(*m_db, m_sessionId, m_empCode);
    if (!outcome.ran)
        return;
    ShowNotice(outcome.notice);
    if (!outcome.completed)
        return;
    // The period widens to the days received, so the list shows them (requests come in with the day
    // of the call, often before the last 24 hours the dialog opens with).
    if (outcome.firstDay > 0) {
        const QDate first = DateOf(outcome.firstDay), last = DateOf(outcome.lastDay);
        if (first.isValid() && first < m_from->date())
            m_from->setDate(first);
        if (last.isValid() && last > m_to->date())
            m_to->setDate(last);
    }
    QueryRequests();
}

void CRefuseListDlg::OnOpenPage() {
    ShowNotice(OpenRefusalPage(m_sessionId));
}

std::vector<bool> CRefuseListDlg::Ticks() const {
    std::vector<bool> ticked(m_rows.size(), false);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        ticked[i] = m_grid->IsCellTypeCheck(row, kMember) && m_grid->IsCellChecked(row, kMember);
    }
    return ticked;
}

bool CRefuseListDlg::SelectRequests(RefusalAction action) {
    m_selection = RefusalSelection{};
    if (m_rows.empty())
        return false;
    return ::SelectRequests(m_rows, Ticks(), action, m_selection);
}

void CRefuseListDlg::OnApplyRefusal() {
    if (!SelectRequests(RefusalAction::Apply))
        return;
    // A failed member step still leads to the notice: those refused before it are to be told.
    const ApplyOutcome applied = ApplyRefusal(*m_db, m_selection.members, m_rows, m_empCode);
    ShowNotice(applied.failure);
    if (!applied.requests.empty()) {
        UserNotice failure;
        if (!UpdateRequestStatus(*m_db, applied.requests, kRefusalStampApply, m_empCode, &failure))
            ShowNotice(failure);
    }
    SendCompletionNotices();
    QueryRequests();
}

void CRefuseListDlg::OnSendNotices() {
    if (!SelectRequests(RefusalAction::Notify))
        return;
    SendCompletionNotices();
    QueryRequests();
}

void CRefuseListDlg::OnCompleteByHand() {
    if (!SelectRequests(RefusalAction::ByHand))
        return;
    UserNotice failure;
    if (!CompleteByHand(*m_db, m_selection.requests, m_empCode, &failure))
        ShowNotice(failure);
    QueryRequests();
}

bool CRefuseListDlg::SendCompletionNotices() {
    std::vector<int32_t> sendCodes;
    int32_t codesBefore = 0;
    if (m_selection.openMembers.empty()) {
        ShowMessageBox(K("완료통보 메시지발송 대상회원이 없습니다."), MB_OK, 0, 0, BoxParent());
    } else {
        codesBefore = HighestSendCode(*m_db);
        CSMSDlg sms(m_db, m_empCode, 3, JoinCodes(m_selection.openMembers), std::string(), nullptr);
        sms.exec();
        // How the dialog was closed says nothing: a reserved notice leaves it open, and closing it then
        // with Cancel must not put requests on hold whose notices will go out. The sends it recorded
        // decide (a reserved one and a later one alike).
        sendCodes = sms.SendCodes();
    }
    const CompletionOutcome outcome =
        CompleteNotices(*m_db, sendCodes, codesBefore, m_selection.requests, m_rows, m_empCode);
    ShowNotice(outcome.failure);
    return !outcome.completed.empty();
}
