// Construction: the two panes' controls, their colours and their connections.
#include "smms/ui/smmsdlg.h"

#include <algorithm>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWebEngineSettings>

#include "center/web/pagecommand.h"
#include "center/web/webbrowser2.h"
#include "compose/composition.h"
#include "compose/ui/recipiententry.h"
#include "frame/messagebox.h"
#include "frame/widgets/blinkstatic.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/cp949guard.h"
#include "frame/widgets/pendingline.h"
#include "frame/widgets/trellisex.h"
#include "smms/ui/imagepreview.h"
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

    const zmsg::RecipientEntryRow add = zmsg::BuildRecipientEntryRow(listPage, false);
    m_addName = add.name;
    m_addPhone = add.phone;
    m_addButton = add.add;
    m_checkAll = add.checkAll;
    m_uncheckAll = add.uncheckAll;
    list->addLayout(add.layout);
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

void CSmmsDlg::LayoutPopup() {
    const bool popup = m_popup->isChecked();
    m_popupDate->setVisible(popup);
    m_popupTime->setVisible(popup);
}
