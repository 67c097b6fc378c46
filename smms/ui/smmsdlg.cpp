#include "smms/ui/smmsdlg.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWebEngineSettings>

#include "center/requestclient.h"
#include "center/send/pendingnotice.h"
#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "compose/composition.h"
#include "compose/ui/callbackselectdlg.h"
#include "compose/ui/specialchardlg.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/digits.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/operationpump.h"
#include "frame/widgets/blinkstatic.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/cp949guard.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/pendingline.h"
#include "frame/widgets/progresswnd.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "members/targets.h"
#include "smms/smmsmembers.h"
#include "smms/ui/imageeditdlg.h"
#include "smms/ui/imagepreview.h"
#include "smms/ui/smmsgrid.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::FromCp949;
using zmsg::K;

namespace {

constexpr int kLoadDelayMs = 100;
constexpr std::uint32_t kEditBack = 0xAFE1FA;
constexpr std::uint32_t kCounterBack = 0xCEF1FF;
constexpr std::uint32_t kCounterText = 0x9B3737;
constexpr std::uint32_t kCallbackBack = 0xCDFFFF;
constexpr std::uint32_t kSpecialBack = 0x9BCDF0;
// The preview's box: a picture is fitted inside and the pane below moves up to its rendered height.
constexpr int kPreviewWidth = 250;
constexpr int kPreviewHeight = 250;
constexpr int kPreviewMinHeight = 24;

// The frame around the right-hand pane: light grey, its edges and a 5-pixel bar along its top in orange.
class CSmmsFrame : public QWidget {
public:
    explicit CSmmsFrame(QWidget* parent) : QWidget(parent) { setContentsMargins(2, 7, 2, 2); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, zmsg::ColorFromRef(0xF4F4F4));
        const QColor orange = zmsg::ColorFromRef(0x027BFF);
        p.setPen(orange);
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.bottomRight(), r.topRight());
        p.fillRect(QRect(r.left(), r.top(), r.width(), 5), orange);
    }
};

void SetColors(QWidget* widget, std::uint32_t back, std::optional<std::uint32_t> text = std::nullopt) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, zmsg::ColorFromRef(back));
    palette.setColor(QPalette::Window, zmsg::ColorFromRef(back));
    palette.setColor(QPalette::Button, zmsg::ColorFromRef(back));
    if (text) {
        palette.setColor(QPalette::Text, zmsg::ColorFromRef(*text));
        palette.setColor(QPalette::WindowText, zmsg::ColorFromRef(*text));
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString Printf(const char* utf8Format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, utf8Format, value);
    return QString::fromUtf8(text);
}

} // namespace

CSmmsDlg::CSmmsDlg(CSQLDirect* db, int32_t empCode, std::string memberCodes, std::string memberCondition,
                   std::string imagePath, QWidget* parent)
    : CModuleDlg(K("----------------- SMMS 전송창 시작 -----------------"), parent), m_db(db),
      m_empCode(empCode), m_memberCodes(std::move(memberCodes)),
      m_memberCondition(std::move(memberCondition)), m_strImagePath(zmsg::FileNameFromCp949(imagePath)) {
    setObjectName(QStringLiteral("CSmmsDlg"));
    setWindowTitle(QStringLiteral("AlderS 메시지 전송"));
    BuildControls();
    m_loadTimer.setInterval(kLoadDelayMs);
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, &CSmmsDlg::OnTimer);
}

CSmmsDlg::~CSmmsDlg() = default;

bool CSmmsDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("AlderS 문자 - ") + FromCp949(theApp().GetVersionString()));
    ApplyModuleFont(this);
    SetToolTips();
    FillCombos();
    SetupSmmsColumns(*m_grid);
    ShowPage(kPageMembers);
    LayoutLeftPane();

    if (!m_db || InitAccount() != SmmsAccountFetch::Ok)
        return false;
    m_title->setText(QStringLiteral("(광고)") + FromCp949(m_account.storeName));
    LoadDraft();

    if (!m_strImagePath.empty()) {
        if (!LoadPreview(m_strImagePath)) {
            ShowMessageBox(K("지정된 이미지를 불러올 수 없습니다!\n") + zmsg::FileNameToCp949(m_strImagePath),
                           MB_OK, 0, 0, BoxParent());
            m_strImagePath.clear();
        }
        LayoutLeftPane();
    }
    ShowPendingSend();
    if (!m_memberCodes.empty() || !m_memberCondition.empty())
        m_loadTimer.start();
    m_opened = true;
    return true;
}

SmmsAccountFetch CSmmsDlg::InitAccount() {
    const SmmsAccountFetch result = InitSmmsAccount(*m_db, m_empCode, m_account, BoxParent());
    if (!m_account.employeeName.empty())
        m_myMobile->setToolTip(FromCp949(K("발신번호를 ") + m_account.employeeName + K("님 전화번호(") +
                                         m_account.employeeMobile + K(")로 설정합니다.")));
    m_callback->setText(FromCp949(m_account.storePhone));
    return result;
}

void CSmmsDlg::BuildControls() {
    auto* root = new QHBoxLayout(this);
    root->addWidget(BuildLeftPane());
    root->addWidget(BuildRightPane(), 1);
    resize(900, 680);
}

QWidget* CSmmsDlg::BuildLeftPane() {
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("leftPane"));
    side->setFixedWidth(kPreviewWidth + 70);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(QStringLiteral("제목"), side));
    m_title = new QLineEdit(side);
    m_title->setObjectName(QStringLiteral("titleEdit"));
    SetColors(m_title, kEditBack);
    m_titleSpecial = Button(QStringLiteral("특"), "titleSpecialButton", side);
    m_titleSpecial->setFixedWidth(28);
    SetColors(m_titleSpecial, kSpecialBack);
    titleRow->addWidget(m_title, 1);
    titleRow->addWidget(m_titleSpecial);
    layout->addLayout(titleRow);

    auto* bodyRow = new QHBoxLayout;
    m_body = new QPlainTextEdit(side);
    m_body->setObjectName(QStringLiteral("bodyEdit"));
    m_body->setMinimumHeight(180);
    SetColors(m_body, kEditBack);
    m_bodySpecial = Button(QStringLiteral("특"), "bodySpecialButton", side);
    m_bodySpecial->setFixedWidth(28);
    SetColors(m_bodySpecial, kSpecialBack);
    auto* bodyButtons = new QVBoxLayout;
    bodyButtons->addWidget(m_bodySpecial);
    bodyButtons->addStretch();
    bodyRow->addWidget(m_body, 1);
    bodyRow->addLayout(bodyButtons);
    layout->addLayout(bodyRow, 1);

    m_counter = new CBlinkStatic(QStringLiteral("0/2000"), side);
    m_counter->setObjectName(QStringLiteral("counter"));
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetColors(m_counter, kCounterBack, kCounterText);
    layout->addWidget(m_counter);

    m_preview = new CImagePreview(side);
    m_preview->setObjectName(QStringLiteral("imagePreview"));
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);

    auto* imageRow = new QHBoxLayout;
    m_localImage = Button(QStringLiteral("내 PC 이미지"), "localImageButton", side);
    m_imageBox = Button(QStringLiteral("이미지보관함"), "imageBoxButton", side);
    imageRow->addWidget(m_localImage);
    imageRow->addWidget(m_imageBox);
    layout->addLayout(imageRow);

    auto* callbackRow = new QHBoxLayout;
    callbackRow->addWidget(new QLabel(QStringLiteral("발신번호"), side));
    m_callback = new QLineEdit(side);
    m_callback->setObjectName(QStringLiteral("callbackEdit"));
    SetColors(m_callback, kCallbackBack, kCounterText);
    m_myMobile = Button(QStringLiteral(".."), "myMobileButton", side);
    m_myMobile->setFixedWidth(28);
    m_selectCallback = Button(QStringLiteral("선택"), "selectCallbackButton", side);
    callbackRow->addWidget(m_callback, 1);
    callbackRow->addWidget(m_myMobile);
    callbackRow->addWidget(m_selectCallback);
    layout->addLayout(callbackRow);

    auto* popupRow = new QHBoxLayout;
    m_popup = new QCheckBox(QStringLiteral("팝업예약"), side);
    m_popup->setObjectName(QStringLiteral("popupCheck"));
    m_popupDate = new QDateEdit(side);
    m_popupDate->setObjectName(QStringLiteral("popupDate"));
    m_popupDate->setCalendarPopup(true);
    m_popupDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    popupRow->addWidget(m_popup);
    popupRow->addWidget(m_popupDate, 1);
    popupRow->addStretch(); // the check box keeps its own width while the date is hidden
    layout->addLayout(popupRow);
    m_popupTime = new QWidget(side);
    m_popupTime->setObjectName(QStringLiteral("popupTime"));
    auto* timeRow = new QHBoxLayout(m_popupTime);
    timeRow->setContentsMargins(0, 0, 0, 0);
    m_popupHour = new QComboBox(m_popupTime);
    m_popupHour->setObjectName(QStringLiteral("popupHour"));
    m_popupMinute = new QComboBox(m_popupTime);
    m_popupMinute->setObjectName(QStringLiteral("popupMinute"));
    timeRow->addWidget(m_popupHour);
    timeRow->addWidget(m_popupMinute);
    timeRow->addStretch();
    layout->addWidget(m_popupTime);

    // An app message of this store whose end is not settled yet: named until a press settles it.
    m_pendingLine = new CPendingLine(side);
    layout->addWidget(m_pendingLine);

    m_send = Button(QStringLiteral("AlderS 문자 전송"), "sendButton", side);
    m_send->setMinimumHeight(34);
    layout->addWidget(m_send);

    connect(m_titleSpecial, &QPushButton::clicked, this, [this] { OnSpecialChar(true); });
    connect(m_bodySpecial, &QPushButton::clicked, this, [this] { OnSpecialChar(false); });
    // What code page 949 cannot hold would reach the phones as "?": refused as it is typed or pasted,
    // as the SMS editor refuses it.
    auto refuse = [this](const std::vector<std::string>& bad) {
        ShowMessageBox(UnencodableText(bad), MB_OK, 0, 0, BoxParent());
    };
    new CCp949Guard(m_title, refuse);
    new CCp949Guard(m_body, refuse, [this] { OnBodyChanged(); });
    connect(m_localImage, &QPushButton::clicked, this, &CSmmsDlg::OnLocalImage);
    connect(m_imageBox, &QPushButton::clicked, this, [this] { ShowPage(kPageImageBox); });
    connect(m_myMobile, &QPushButton::clicked, this, &CSmmsDlg::OnMyMobile);
    connect(m_selectCallback, &QPushButton::clicked, this, &CSmmsDlg::OnSelectCallback);
    connect(m_popup, &QCheckBox::clicked, this, &CSmmsDlg::LayoutPopup);
    connect(m_send, &QPushButton::clicked, this, &CSmmsDlg::accept);
    return side;
}

QWidget* CSmmsDlg::BuildRightPane() {
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("rightPane"));
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* tabs = new QHBoxLayout;
    static const struct {
        const char* text;
        const char* name;
        int page;
    } kTabs[] = {{"전송대상", "pageMembersButton", kPageMembers},
                 {"이미지보관함", "pageImageBoxButton", kPageImageBox},
                 {"전송내역", "pageSentButton", kPageSent},
                 {"타점포 메시지", "pageOpenButton", kPageOpen}};
    for (int i = 0; i < 4; ++i) {
        m_pageButtons[i] = Button(QString::fromUtf8(kTabs[i].text), kTabs[i].name, side);
        m_pageButtons[i]->setCheckable(true);
        const int page = kTabs[i].page;
        connect(m_pageButtons[i], &QPushButton::clicked, this, [this, page] { ShowPage(page); });
        tabs->addWidget(m_pageButtons[i]);
    }
    tabs->addStretch();
    layout->addLayout(tabs);

    auto* frame = new CSmmsFrame(side);
    frame->setObjectName(QStringLiteral("paneFrame"));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(frame->contentsMargins());
    m_pages = new QStackedWidget(frame);
    m_pages->setObjectName(QStringLiteral("pages"));
    frameLayout->addWidget(m_pages);
    layout->addWidget(frame, 1);

    // The members.
    auto* listPage = new QWidget(m_pages);
    auto* list = new QVBoxLayout(listPage);
    auto* filterRow = new QHBoxLayout;
    m_signal = new QComboBox(listPage);
    m_signal->setObjectName(QStringLiteral("signalCombo"));
    m_checkedLabel = new QLabel(listPage);
    m_checkedLabel->setObjectName(QStringLiteral("checkedLabel"));
    filterRow->addWidget(m_signal);
    filterRow->addWidget(m_checkedLabel);
    filterRow->addStretch();
    list->addLayout(filterRow);

    m_grid = new CTrellisEx(listPage);
    m_grid->setObjectName(QStringLiteral("memberGrid"));
    m_grid->SetListModeDefault();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->installEventFilter(this);
    list->addWidget(m_grid, 1);

    auto* add = new QHBoxLayout;
    m_addName = new QLineEdit(listPage);
    m_addName->setObjectName(QStringLiteral("addNameEdit"));
    m_addName->setPlaceholderText(QStringLiteral("이름"));
    m_addPhone = new QLineEdit(listPage);
    m_addPhone->setObjectName(QStringLiteral("addPhoneEdit"));
    m_addPhone->setPlaceholderText(QStringLiteral("전화번호"));
    m_addButton = Button(QStringLiteral("전송대상 추가"), "addButton", listPage);
    m_checkAll = Button(QStringLiteral("모두체크"), "checkAllButton", listPage);
    m_uncheckAll = Button(QStringLiteral("모두해제"), "uncheckAllButton", listPage);
    add->addWidget(m_addName);
    add->addWidget(m_addPhone);
    add->addWidget(m_addButton);
    add->addStretch();
    add->addWidget(m_checkAll);
    add->addWidget(m_uncheckAll);
    list->addLayout(add);
    m_allUser = new QCheckBox(QStringLiteral("센터에 등록된 전체 AlderS 회원에게 전송(3일이내 모바일신호)"),
                              listPage);
    m_allUser->setObjectName(QStringLiteral("allUserCheck"));
    list->addWidget(m_allUser);
    m_pages->addWidget(listPage);

    // The center's pages. Made before the first show: a view added to a shown dialog re-creates its
    // native window, which then jumps.
    m_browser = new CWebBrowser2(m_pages);
    m_browser->setObjectName(QStringLiteral("smmsWebBrowser"));
    m_browser->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // An address carrying both commands asks for the image box's picture.
    m_browser->AddPageCommand(std::string(zmsg::kDoUseWebImgBox), this, [this] { OnUseWebImgBox(); });
    m_browser->AddPageCommand(std::string(zmsg::kDoUseWebCopyMsg), this, [this] { OnUseWebCopyMsg(); });
    connect(m_browser, &CWebBrowser2::DocumentComplete, m_browser, &CWebBrowser2::HidePageScrollbars);
    m_pages->addWidget(m_browser);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(new QLabel(QStringLiteral("전화"), side));
    auto* phone = new QLabel(QStringLiteral("1600-0000"), side);
    phone->setObjectName(QStringLiteral("supportPhone"));
    bottom->addWidget(phone);
    bottom->addWidget(new QLabel(QStringLiteral("팩스"), side));
    auto* fax = new QLabel(QStringLiteral("031-000-0000"), side);
    fax->setObjectName(QStringLiteral("supportFax"));
    bottom->addWidget(fax);
    layout->addLayout(bottom);

    connect(m_addButton, &QPushButton::clicked, this, &CSmmsDlg::OnAddRecipient);
    connect(m_checkAll, &QPushButton::clicked, this, [this] { OnCheckAll(true); });
    connect(m_uncheckAll, &QPushButton::clicked, this, [this] { OnCheckAll(false); });
    connect(m_grid, &CTrellisEx::cellClicked, this, &CSmmsDlg::OnClickGrid);
    connect(m_signal, &QComboBox::currentIndexChanged, this, &CSmmsDlg::ApplySignalFilter);
    return side;
}

void CSmmsDlg::SetToolTips() {
    m_titleSpecial->setToolTip(QStringLiteral("제목에 특수문자를 입력합니다."));
    m_bodySpecial->setToolTip(QStringLiteral("메시지에 특수문자를 입력합니다."));
    m_localImage->setToolTip(QStringLiteral("로컬 PC에 있는 이미지파일을 선택합니다."));
    m_imageBox->setToolTip(QStringLiteral("센터서버에 저장된 이미지보관함을 사용합니다."));
    m_pageButtons[0]->setToolTip(QStringLiteral("AlderS 문자를 전송할 대상 전화번호 목록입니다."));
    m_pageButtons[1]->setToolTip(QStringLiteral("센터서버에 저장된 이미지보관함을 사용합니다."));
    m_pageButtons[2]->setToolTip(QStringLiteral("이전에 전송한 AlderS 문자내역을 조회합니다."));
    m_pageButtons[3]->setToolTip(QStringLiteral("다른 점포에서 전송한 AlderS 문자내역을 조회합니다."));
    m_title->setToolTip(QStringLiteral("AlderS 문자 제목을 입력합니다."));
    m_body->setToolTip(QStringLiteral("AlderS 문자 내용을 입력합니다."));
    m_preview->setToolTip(
        QStringLiteral("로컬 이미지파일 또는 센터 이미지보관함 파일을 전송할 수 있습니다."));
    m_callback->setToolTip(QStringLiteral("메시지 수신자가 전화를 걸 수 있는 발신번호를 입력합니다."));
    m_selectCallback->setToolTip(QStringLiteral("센터에 등록된 발신번호를 선택합니다."));
    m_popup->setToolTip(
        QStringLiteral("최대한 빨리 사용자 휴대폰으로 전송된 후 예약된 시각에 떠서 보여집니다."));
    m_allUser->setToolTip(QStringLiteral("센터에 등록된 우리 점포 단골회원 전체에게 메시지를 전송합니다.\n"
                                         "(위에 선택된 수신자 포함)"));
}

void CSmmsDlg::FillCombos() {
    {
        const QSignalBlocker hourBlocker(m_popupHour);
        const QSignalBlocker minuteBlocker(m_popupMinute);
        m_popupHour->clear();
        for (int hour = 0; hour < 24; ++hour) {
            if (hour == 0)
                m_popupHour->addItem(QStringLiteral("자정"));
            else if (hour < 12)
                m_popupHour->addItem(Printf("오전%2d", hour));
            else if (hour == 12)
                m_popupHour->addItem(QStringLiteral("정오"));
            else
                m_popupHour->addItem(Printf("오후%2d", hour - 12));
        }
        m_popupHour->setCurrentIndex(12);
        m_popupMinute->clear();
        for (int minute = 0; minute < 60; minute += 10)
            m_popupMinute->addItem(Printf("%02d", minute));
        m_popupMinute->setCurrentIndex(0);
        m_popupDate->setDate(zmsg::Clock::now().date());
    }
    static const struct {
        const char* text;
        int days;
    } kEntries[] = {{"-모바일신호-", -1}, {"오늘", 0},      {" 1일이내", 1},  {" 2일이내", 2},
                    {" 3일이내", 3},      {" 5일이내", 5},  {"10일이내", 10}, {"15일이내", 15},
                    {"20일이내", 20},     {"25일이내", 25}, {"30일이내", 30}};
    const QSignalBlocker blocker(m_signal);
    m_signal->clear();
    for (const auto& e : kEntries)
        m_signal->addItem(QString::fromUtf8(e.text), e.days);
    m_signal->setCurrentIndex(4);
}

void CSmmsDlg::ShowPage(int page) {
    for (int i = 0; i < 4; ++i) {
        static const int kPageOf[] = {kPageMembers, kPageImageBox, kPageSent, kPageOpen};
        m_pageButtons[i]->setChecked(kPageOf[i] == page); // a second click must not un-press it
    }
    if (page == m_page)
        return;
    m_page = page;
    m_pages->setCurrentIndex(page == kPageMembers ? 0 : 1);
    if (page == kPageMembers)
        return;
    const char* name = page == kPageImageBox ? "IMGBOX" : page == kPageSent ? "SENDED" : "OPENMSG";
    m_browser->Navigate2(zmsg::SmmsPageUrl(name, m_account.storeCode, m_empCode));
    m_browser->setFocus();
}

void CSmmsDlg::LayoutLeftPane() {
    // The preview takes the rendered picture's height, so the controls below sit right under it.
    const int rendered = m_preview->RenderedSize().height();
    m_preview->setFixedHeight(std::max(rendered, kPreviewMinHeight));
    LayoutPopup();
}

void CSmmsDlg::LayoutPopup() {
    const bool popup = m_popup->isChecked();
    m_popupDate->setVisible(popup);
    m_popupTime->setVisible(popup);
}

bool CSmmsDlg::LoadPreview(const std::string& path) {
    // Rendered for the full box; LayoutLeftPane then shrinks the box to the picture.
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    const bool ok = m_preview->SetImage(path) != 0;
    if (!ok)
        m_preview->Clear();
    return ok;
}

void CSmmsDlg::OnTimer() {
    m_loadTimer.stop();
    LoadSmmsMembers();
    ApplySignalFilter();
}

void CSmmsDlg::LoadSmmsMembers() {
    RecipientLoadSummary summary;
    {
        CDialogProgress progress(this);
        RecipientLoadRequest request;
        request.targetType = 0;
        request.codeList = m_memberCodes;
        request.condition = m_memberCondition;
        request.variant = RecipientLoadVariant::AppMessage;
        summary = LoadRecipients(*m_db, request, m_list, progress.Hooks());
    }
    FillSmmsRows(*m_grid, m_list);
    RecountChecked();
    const std::string message = AppLoadSummaryMessage(summary);
    if (!message.empty())
        ShowMessageBox(message, MB_OK, 0, 0, BoxParent());
}

void CSmmsDlg::ApplySignalFilter() {
    const int days = m_signal->currentIndex() < 0 ? -1 : m_signal->currentData().toInt();
    ApplySmmsSignalFilter(m_list, SignalLimitDate(zmsg::Clock::now().date(), days));
    ShowSmmsChecks(*m_grid, m_list);
    RecountChecked();
}

void CSmmsDlg::RecountChecked() {
    m_checked = CountChecked(m_list);
    m_checkedLabel->setText(QStringLiteral("선택 %1 / %2 명").arg(m_checked).arg(m_list.size()));
}

void CSmmsDlg::OnAddRecipient() {
    if (m_page != kPageMembers)
        return;
    std::vector<std::string> bad;
    const std::optional<std::string> name = zmsg::ToCp949(m_addName->text().trimmed(), &bad);
    if (!name) {
        ShowMessageBox(K("이름에 쓸 수 없는 글자가 있습니다."), MB_OK, 0, 0, BoxParent());
        m_addName->setFocus();
        return;
    }
    const std::string phone = GetDigitsOnly(zmsg::ToCp949Lossy(m_addPhone->text()));
    const ManualAddVerdict verdict = CheckManualAdd(m_list, phone);
    if (!verdict.ok()) {
        ShowMessageBox(verdict.message, MB_OK, 0, 0, BoxParent());
        if (verdict.duplicateRow > 0) {
            m_grid->clearSelection();
            m_grid->SetRowSelected(verdict.duplicateRow);
            m_grid->EnsureVisible(verdict.duplicateRow, 2);
        } else {
            m_addPhone->setFocus();
        }
        return;
    }
    const size_t before = m_list.size();
    m_list.AddAppRecipient(0, *name, phone, {}, {}, true);
    if (m_list.size() > before)
        FillSmmsRows(*m_grid, m_list, before);
    RecountChecked();
    m_addName->clear();
    m_addPhone->clear();
    m_addName->setFocus();
}

void CSmmsDlg::OnCheckAll(bool checked) {
    m_list.SetAllChecked(checked);
    ShowSmmsChecks(*m_grid, m_list);
    RecountChecked();
}

void CSmmsDlg::OnClickGrid(int, int column) {
    if (column != 1)
        return;
    ReadSmmsChecks(*m_grid, m_list);
    RecountChecked();
}

void CSmmsDlg::OnMyMobile() {
    if (m_account.employeeMobile.empty()) {
        ShowMessageBox(K("직원정보에 내 전화번호가 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    m_callback->setText(FromCp949(m_account.employeeMobile));
}

void CSmmsDlg::OnSelectCallback() {
    const std::optional<std::string> number = CCallbackSelectDlg::Choose(m_account.storeCode, this);
    if (number)
        m_callback->setText(FromCp949(*number));
}

void CSmmsDlg::OnBodyChanged() {
    const int bytes = SmmsBodyBytes(BodyText());
    m_counter->setText(FromCp949(SmmsCounterText(bytes)));
    m_counter->SetBlink(SmmsBodyOver(bytes));
}

void CSmmsDlg::OnSpecialChar(bool title) {
    QWidget* target = title ? static_cast<QWidget*>(m_title) : m_body;
    CSpecialCharDlg::InsertInto(target, title ? m_titleSpecial : m_bodySpecial);
    target->setFocus();
}

void CSmmsDlg::OnLocalImage() {
    CImageEditDlg editor(m_upload.Path(), this);
    if (editor.DoModal() != QDialog::Accepted)
        return;
    m_centerImageBox = 0;
    m_centerImage = 0;
    m_strImagePath = LoadPreview(editor.ResultPath()) ? editor.ResultPath() : std::string();
    LayoutLeftPane();
}

void CSmmsDlg::OnUseWebImgBox() {
    m_browser->CallPageFunction("jsGetImgBoxInfo", this, [this](const zmsg::PageValues& page) {
        if (!page.ok() || page.values.size() != 1)
            return;
        // Handled from the queue: the download and the boxes must not run inside the page's answer.
        QMetaObject::invokeMethod(
            this, [this, text = page.values[0]] { ApplyImageBoxChoice(text); }, Qt::QueuedConnection);
    });
}

void CSmmsDlg::ApplyImageBoxChoice(const std::string& pageText) {
    const std::optional<ImageBoxChoice> choice = ParseImageBoxChoice(pageText);
    if (!choice) {
        ShowMessageBox(K("선택된 이미지정보를 참조할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    std::optional<std::string> file;
    {
        CProgressWnd progress(this);
        progress.Show(true, K("선택된 이미지파일을 다운로드하는 중입니다."));
        file = HttpDownloadFile(choice->url);
        progress.Show(false, std::string());
    }
    if (!file) {
        WriteLog(K("이미지보관함 다운로드 실패 : ") + choice->url, 1);
        ShowMessageBox(K("선택된 이미지파일을 다운로드할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    const bool shown = LoadPreview(*file);
    QFile::remove(QString::fromStdString(*file));
    // What the preview shows is what goes out: a picture that cannot be shown is not kept either.
    m_centerImageBox = shown ? choice->box : 0;
    m_centerImage = shown ? choice->image : 0;
    m_strImagePath.clear();
    LayoutLeftPane();
    if (!shown) {
        WriteLog(K("이미지보관함 이미지를 표시할 수 없음 : ") + choice->url, 1);
        ShowMessageBox(K("선택된 이미지파일을 다운로드할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    WriteLog(K("이미지보관함 이미지 선택 : BOX=") + std::to_string(choice->box) +
                 " IMG=" + std::to_string(choice->image),
             0);
}

void CSmmsDlg::OnUseWebCopyMsg() {
    m_browser->CallPageFunction("jsGetCopyMsg", this, [this](const zmsg::PageValues& page) {
        if (!page.ok() || page.values.size() != 1)
            return;
        QMetaObject::invokeMethod(
            this, [this, text = page.values[0]] { ApplyCopiedMessage(text); }, Qt::QueuedConnection);
    });
}

void CSmmsDlg::ApplyCopiedMessage(const std::string& pageText) {
    const CopiedSmms copied = ParseCopiedSmms(pageText);
    if (copied.empty())
        return;
    if (!m_title->text().isEmpty() || !m_body->toPlainText().isEmpty()) {
        if (ShowMessageBox(K("이미 작성중인 메시지가 있습니다.\n\n기존 제목과 메시지를 복사된 내용으로 "
                             "대체하시겠습니까?"),
                           kQuestionNoDefault, 0, 0, BoxParent()) != IDYES)
            return;
    }
    m_title->setText(FromCp949(copied.title));
    m_body->setPlainText(FromCp949(copied.content));
}

bool CSmmsDlg::eventFilter(QObject* watched, QEvent* event) {
    // The grid must not copy members' numbers to the clipboard.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::string CSmmsDlg::TitleText() const {
    return zmsg::ToCp949Lossy(m_title->text());
}

std::string CSmmsDlg::BodyText() const {
    return zmsg::ToCp949Lossy(m_body->toPlainText());
}

SmmsDraft CSmmsDlg::CurrentDraft() const {
    SmmsDraft draft;
    draft.localCode = m_localCode;
    draft.title = TitleText();
    draft.message = BodyText();
    draft.imagePath = zmsg::FileNameToCp949(m_strImagePath); // the draft is CP949 text
    draft.centerImageBox = m_centerImageBox;
    draft.centerImageCode = m_centerImage;
    draft.callback = zmsg::ToCp949Lossy(m_callback->text());
    draft.allUser = m_allUser->isChecked();
    return draft;
}

void CSmmsDlg::LoadDraft() {
    const std::optional<SmmsDraft> draft = LoadSmmsDraft(SmmsDraftPath());
    if (!draft)
        return;
    m_allUser->setChecked(draft->allUser);
    if (draft->allUser)
        ShowMessageBox(AllUserWarning(), MB_OK, 0, 0, BoxParent());
    if (!ShouldOfferSmmsDraft(*draft, zmsg::Clock::now().date()))
        return;
    if (ShowMessageBox(SmmsDraftQuestion(), MB_YESNO | MB_ICONQUESTION, 0, 0, BoxParent()) != IDYES)
        return;
    if (!draft->title.empty())
        m_title->setText(FromCp949(draft->title));
    if (!draft->callback.empty())
        m_callback->setText(FromCp949(draft->callback));
    m_body->setPlainText(FromCp949(draft->message));
}

void CSmmsDlg::SaveDraft(int32_t sent) {
    SaveSmmsDraft(SmmsDraftPath(), CurrentDraft(), sent);
}

SmmsSendInput CSmmsDlg::SendInput() {
    SmmsSendInput input;
    input.storeCode = m_account.storeCode;
    input.empCode = m_empCode;
    input.empName = m_account.employeeName;
    input.allMembers = m_allUser->isChecked();
    input.mobileDays = m_signal->currentIndex() < 0 ? -1 : m_signal->currentData().toInt();
    input.title = TitleText();
    input.body = BodyText();
    input.callbackField = zmsg::ToCp949Lossy(m_callback->text());
    if (m_popup->isChecked())
        input.popup = QDateTime(m_popupDate->date(),
                                QTime(m_popupHour->currentIndex(), 10 * m_popupMinute->currentIndex()));
    input.imagePath = m_strImagePath;
    input.imageBox = m_centerImageBox;
    input.imageNumber = m_centerImage;
    input.header1 = m_grid->GetItemText(0, 1);
    input.header3 = m_grid->GetItemText(0, 3);
    input.rows.reserve(m_list.size());
    for (const Recipient& r : m_list.rows())
        input.rows.push_back(SmmsRow{r.checked, r.code, r.phone, r.name, r.text3});
    input.saveSentDraft = [this] { SaveDraft(1); };
    // An advertising message read on the phones at night (now, or at its popup time) needs the
    // recipients' separate consent.
    input.adRules = [this, title = input.title, body = input.body, popup = input.popup] {
        return CheckNightAdvertising(body, title, popup, this);
    };
    input.ownUnsettled = m_unsettled;
    input.beforeReport = [this](const SmmsSendResult& soFar) { ShowSendChanges(soFar); };
    return input;
}

void CSmmsDlg::accept() {
    ReadSmmsChecks(*m_grid, m_list);
    SmmsSendInput input = SendInput();

    // Shown once the checks have passed, that is at the first step shown.
    CDialogProgress progress(this);
    SmmsSendResult result;
    {
        // The windows keep painting while the send holds the thread; nothing of this dialog runs.
        const zmsg::ScopedOperation operation;
        SmmsSendTransaction send(*m_db, std::move(input), progress.Hooks());
        result = send.Run();
    }
    progress.Close();
    ApplySendResult(result);
}

void CSmmsDlg::ShowSendChanges(const SmmsSendResult& result) {
    m_unsettled = result.unsettled;
    if (result.localCode > 0)
        m_localCode = result.localCode;
    ShowPendingSend();
    if (result.outcome != SmmsSendOutcome::PreviousCompleted || result.rowsReached.empty())
        return;
    // An earlier send of this same message turned out to have reached these members: they are
    // unchecked, so the next press does not send them the same thing again.
    for (size_t i : result.rowsReached)
        if (i < m_list.size())
            m_list[i].checked = false;
    ShowSmmsChecks(*m_grid, m_list);
    RecountChecked();
}

void CSmmsDlg::ShowPendingSend() {
    // The window's own, else one of this store the journal holds, which the next press settles first:
    // an SMS send as well as an app message, since either can reach the same members.
    const int32_t store = m_account.storeCode;
    const auto ofStore = [store](const PendingSend& s) { return s.storeCode == store; };
    m_pendingLine->ShowNotice(PendingNotices({PendingForWindow(m_unsettled, SendKind::App, ofStore),
                                              PendingForWindow({}, SendKind::Sms, ofStore)}));
}

void CSmmsDlg::ApplySendResult(const SmmsSendResult& result) {
    ShowSendChanges(result);
    if (result.focus != 0)
        FocusAt(result.focus, result.caret);
    if (result.outcome == SmmsSendOutcome::Sent) {
        WriteLog(K("SMMS 전송창 닫기(OnOK)"), 0);
        QDialog::accept();
    }
    // Anything else leaves the window as it was, the rows checked, for the clerk's next step.
}

void CSmmsDlg::FocusAt(int control, int caret) {
    switch (control) {
    case 2036:
        m_title->setFocus();
        if (caret >= 0)
            m_title->setCursorPosition(
                static_cast<int>(FromCp949(TitleText().substr(0, static_cast<size_t>(caret))).size()));
        break;
    case 2026: {
        m_body->setFocus();
        if (caret < 0)
            break;
        QTextCursor cursor = m_body->textCursor();
        cursor.setPosition(
            static_cast<int>(FromCp949(BodyText().substr(0, static_cast<size_t>(caret))).size()));
        m_body->setTextCursor(cursor);
        // The caret's line becomes the first one shown.
        m_body->verticalScrollBar()->setValue(cursor.block().firstLineNumber());
        break;
    }
    case 2034:
        m_callback->setFocus();
        break;
    case 2008:
        ShowPage(kPageMembers);
        m_signal->setFocus();
        break;
    case 2048:
    case 2049:
    case 2050:
        m_popupDate->setFocus();
        break;
    default:
        break;
    }
}

void CSmmsDlg::reject() {
    if (ShowMessageBox(K("AlderS 문자 전송창을 닫으시겠습니까?"), kQuestionNoDefault, 0, 0, BoxParent()) !=
        IDYES)
        return;
    // A dialog that never opened holds no message: it must not overwrite the one kept.
    if (m_opened)
        SaveDraft(0);
    WriteLog(K("SMMS 전송창 닫기(OnCancel)"), 0);
    QDialog::reject();
}
