#include "sms/ui/smsdlg.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "center/send/pendingnotice.h"
#include "center/vexglobal.h"
#include "compose/smmsdraft.h"
#include "compose/smsdraft.h"
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
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "optout/notice.h"
#include "optout/optoutprotocol.h"
#include "optout/refusalcompletion.h"
#include "optout/refusallist.h"
#include "sms/pasteparser.h"
#include "sms/smssend.h"
#include "sms/ui/lmseditdlg.h"
#include "sms/ui/panelframe.h"
#include "sms/ui/recipientgrid.h"
#include "sms/ui/smswebpanel.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::FromCp949;
using zmsg::K;

namespace {

constexpr int kLoadDelayMs = 100;
constexpr int kFocusMessage = 2026;
constexpr int kFocusCallback = 2034;
constexpr int kHistoryTab = 4; // button 2030: the sending history
constexpr std::uint32_t kEditorOver = 0xE1E1FF;
constexpr std::uint32_t kEditorNormal = 0xFBF0DC;
// Backgrounds of the message area, so the kind chosen is visible at a glance.
constexpr std::uint32_t kSmsArea = 0xF7E7D2;
constexpr std::uint32_t kLmsArea = 0xD8EEFA;

void SetBackground(QWidget* widget, QPalette::ColorRole role, std::uint32_t ref) {
    QPalette palette = widget->palette();
    palette.setColor(role, zmsg::ColorFromRef(ref));
    widget->setPalette(palette);
}

QString Printf(const char* utf8Format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, utf8Format, value);
    return QString::fromUtf8(text);
}

std::string WithoutHyphens(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '-')
            out += c;
    return out;
}

QLabel* Value(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CSMSDlg::CSMSDlg(CSQLDirect* db, int32_t empCode, int32_t targetType, std::string codeList,
                 std::string condition, QWidget* parent)
    : CModuleDlg(K("----------------- SMS 전송창 시작 -----------------"), parent), m_db(db),
      m_empCode(empCode), m_targetType(targetType), m_codeList(std::move(codeList)),
      m_condition(std::move(condition)) {
    setObjectName(QStringLiteral("CSMSDlg"));
    BuildControls();
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &CSMSDlg::OnTimer);
}

CSMSDlg::~CSMSDlg() = default;

bool CSMSDlg::OnInitDialog() {
    if (m_targetType < 0 || m_targetType > 3) {
        char text[64];
        std::snprintf(text, sizeof text, "%d)", m_targetType);
        LogAndShow(K("전송대상 유형 오류! (유형=") + text, 1);
        // An empty dialog: nothing in it can work without a target type, only closing does.
        for (QWidget* child : findChildren<QWidget*>())
            if (child != m_close && !child->isAncestorOf(m_close))
                child->setEnabled(false);
        return true;
    }
    m_bindOnce = LoadBindOnce();

    setWindowTitle(QStringLiteral("SMS Alder - ") + FromCp949(theApp().GetVersionString()));
    ApplyModuleFont(this);
    // One width with the reservation shown or not (nothing is hidden yet, so the hint counts it): the
    // list beside it never moves.
    m_messageSide->setFixedWidth(m_messageSide->sizeHint().width());
    SetToolTips();
    SetupRecipientColumns(*m_grid, m_targetType);
    FillReservationCombos();
    FillSignalCombo();
    SetBackground(m_editor, QPalette::Base, kEditorNormal);

    if (!m_db || FetchAccount(*m_db, m_empCode, m_account, BoxParent()) != AccountFetch::Ok)
        return false;
    if (m_account.storeCode < 1000 || m_account.storeCode > 9999) {
        ShowMessageBox(K("점포코드를 참조할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return false;
    }
    ShowAccountValues();
    LoadDraft();
    UpdateModeDisplay();
    ApplyAdTemplate();
    if (m_targetType == 3) {
        SetEditorText(RefusalNotice(m_account.storeName));
        // The notice of a carried-out refusal is no advertisement: its checks would only stand in the way.
        m_noAdCheck->setChecked(true);
    }
    UpdateCounter();
    UpdateSignalComboVisibility();
    ShowPendingSend();
    if (!m_codeList.empty() || !m_condition.empty())
        m_loadTimer.start();
    m_opened = true;
    return true;
}

void CSMSDlg::BuildControls() {
    auto* root = new QHBoxLayout(this);
    root->addWidget(BuildMessageSide());
    auto* right = new QVBoxLayout;
    right->addWidget(BuildAccountPanel());
    right->addWidget(BuildListSide(), 1);
    root->addLayout(right, 1);
    resize(960, 640);
}

QWidget* CSMSDlg::BuildMessageSide() {
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("messageSide"));
    m_messageSide = side;
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    m_messageArea = new QWidget(side);
    m_messageArea->setObjectName(QStringLiteral("messageArea"));
    m_messageArea->setAutoFillBackground(true);
    auto* area = new QVBoxLayout(m_messageArea);
    auto* kindRow = new QHBoxLayout;
    m_lms = new QCheckBox(QStringLiteral("LMS전송"), m_messageArea);
    m_lms->setObjectName(QStringLiteral("lmsCheck"));
    m_longEdit = Button(QStringLiteral("장문편집"), "longEditButton", m_messageArea);
    m_special = Button(QStringLiteral("특"), "specialButton", m_messageArea);
    m_special->setFixedWidth(28);
    kindRow->addWidget(m_lms);
    kindRow->addStretch();
    kindRow->addWidget(m_longEdit);
    kindRow->addWidget(m_special);
    area->addLayout(kindRow);

    m_editor = new QPlainTextEdit(m_messageArea);
    m_editor->setObjectName(QStringLiteral("messageEditor"));
    // About 16 bytes a line, as a phone shows a text message.
    m_editor->setFixedWidth(m_editor->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16 + 24);
    m_editor->setMinimumHeight(260);
    m_editor->setAutoFillBackground(true);
    area->addWidget(m_editor, 1);
    m_counter = new CBlinkStatic(QStringLiteral("0/90"), m_messageArea);
    m_counter->setObjectName(QStringLiteral("counter"));
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    area->addWidget(m_counter);
    layout->addWidget(m_messageArea, 1);

    auto* fields = new QGridLayout;
    m_callback = new QLineEdit(side);
    m_callback->setObjectName(QStringLiteral("callbackEdit"));
    m_callbackButton = Button(QStringLiteral("발신번호"), "callbackButton", side);
    fields->addWidget(m_callbackButton, 0, 0);
    fields->addWidget(m_callback, 0, 1, 1, 3);

    m_reserve = new QCheckBox(QStringLiteral("예약"), side);
    m_reserve->setObjectName(QStringLiteral("reserveCheck"));
    // The date over the hour and minute: side by side the three would widen the panel, and the list
    // beside it would lose its last column.
    m_reserveBox = new QWidget(side);
    m_reserveBox->setObjectName(QStringLiteral("reserveBox"));
    auto* when = new QGridLayout(m_reserveBox);
    when->setContentsMargins(0, 0, 0, 0);
    m_reserveDate = new QDateEdit(m_reserveBox);
    m_reserveDate->setObjectName(QStringLiteral("reserveDate"));
    m_reserveDate->setCalendarPopup(true);
    m_reserveDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_reserveHour = new QComboBox(m_reserveBox);
    m_reserveHour->setObjectName(QStringLiteral("reserveHour"));
    m_reserveMinute = new QComboBox(m_reserveBox);
    m_reserveMinute->setObjectName(QStringLiteral("reserveMinute"));
    when->addWidget(m_reserveDate, 0, 0, 1, 2);
    when->addWidget(m_reserveHour, 1, 0);
    when->addWidget(m_reserveMinute, 1, 1);
    fields->addWidget(m_reserve, 1, 0, Qt::AlignTop);
    fields->addWidget(m_reserveBox, 1, 1, 1, 3);

    m_noAdCheck = new QCheckBox(QStringLiteral("광고문구점검 제외"), side);
    m_noAdCheck->setObjectName(QStringLiteral("noAdCheck"));
    fields->addWidget(m_noAdCheck, 2, 0, 1, 4);
    m_optOutButton = Button(QStringLiteral("080수신번호"), "optOutButton", side);
    m_optOut = new QLineEdit(side);
    m_optOut->setObjectName(QStringLiteral("optOutEdit"));
    fields->addWidget(m_optOutButton, 3, 0);
    fields->addWidget(m_optOut, 3, 1, 1, 3);
    layout->addLayout(fields);

    auto* buttons = new QHBoxLayout;
    m_send = Button(QStringLiteral("전송"), "sendButton", side);
    m_close = Button(QStringLiteral("닫기"), "closeButton", side);
    buttons->addWidget(m_send);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    // A text message cannot carry what code page 949 cannot hold: refused as it is typed or pasted.
    new CCp949Guard(
        m_editor, [this](const std::vector<std::string>& bad) { RefuseUnencodable(bad); },
        [this] { UpdateCounter(); });
    connect(m_lms, &QCheckBox::clicked, this, &CSMSDlg::OnKindSwitch);
    connect(m_longEdit, &QPushButton::clicked, this, &CSMSDlg::OnLmsEdit);
    connect(m_special, &QPushButton::clicked, this, &CSMSDlg::OnSpecialChar);
    connect(m_callbackButton, &QPushButton::clicked, this, &CSMSDlg::OnSelectCallback);
    connect(m_reserve, &QCheckBox::clicked, this, &CSMSDlg::OnReservation);
    connect(m_optOutButton, &QPushButton::clicked, this, &CSMSDlg::OnOptOutNumber);
    connect(m_send, &QPushButton::clicked, this, &CSMSDlg::accept);
    connect(m_close, &QPushButton::clicked, this, &CSMSDlg::reject);
    return side;
}

QWidget* CSMSDlg::BuildAccountPanel() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);

    m_balanceCaption = new QLabel(panel);
    m_balanceCaption->setObjectName(QStringLiteral("balanceCaption"));
    m_balance = Value("balanceValue", panel);
    m_kindCaption = new QLabel(panel);
    m_kindCaption->setObjectName(QStringLiteral("kindCaption"));
    m_unitLabel = new QLabel(QStringLiteral("(x2.5)"), panel);
    m_unitLabel->setObjectName(QStringLiteral("unitLabel"));
    m_unitValue = Value("unitChargeValue", panel);
    m_smsTargets = Value("smsTargetsValue", panel);
    m_appTargets = Value("appTargetsValue", panel);
    m_usageCaption = new QLabel(panel);
    m_usageCaption->setObjectName(QStringLiteral("usageCaption"));
    m_total = Value("totalValue", panel);
    m_remaining = Value("remainingValue", panel);
    m_refresh = Button(QStringLiteral("갱신"), "refreshButton", panel);

    auto* kind = new QHBoxLayout;
    kind->addWidget(m_kindCaption);
    kind->addWidget(m_unitLabel);
    kind->addStretch();

    grid->addWidget(m_balanceCaption, 0, 0);
    grid->addWidget(m_balance, 0, 1);
    grid->addWidget(m_refresh, 0, 2);
    grid->addLayout(kind, 0, 3);
    grid->addWidget(m_unitValue, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("SMS 대상 :"), panel), 1, 0);
    grid->addWidget(m_smsTargets, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("AlderS 대상 :"), panel), 1, 3);
    grid->addWidget(m_appTargets, 1, 4);
    grid->addWidget(m_usageCaption, 2, 0);
    grid->addWidget(m_total, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("전송후 잔여 :"), panel), 2, 3);
    grid->addWidget(m_remaining, 2, 4);

    m_reservedLine = new QWidget(panel);
    m_reservedLine->setObjectName(QStringLiteral("reservedLine"));
    auto* reserved = new QHBoxLayout(m_reservedLine);
    reserved->setContentsMargins(0, 0, 0, 0);
    m_reservedCount = new QLabel(m_reservedLine);
    m_reservedCount->setObjectName(QStringLiteral("reservedCount"));
    reserved->addWidget(new QLabel(QStringLiteral("예약전송"), m_reservedLine));
    reserved->addWidget(m_reservedCount);
    reserved->addWidget(new QLabel(QStringLiteral("건이 있습니다."), m_reservedLine));
    reserved->addStretch();
    grid->addWidget(m_reservedLine, 3, 0, 1, 5);
    // A send whose end is not settled yet: the clerk sees which one until a press settles it.
    m_pendingLine = new CPendingLine(panel);
    grid->addWidget(m_pendingLine, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    connect(m_refresh, &QPushButton::clicked, this, &CSMSDlg::OnRefreshAccount);
    return panel;
}

QWidget* CSMSDlg::BuildListSide() {
    auto* side = new QWidget(this);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    static const char* const kPageTitles[6] = {"전송대상", "메시지서식", "타점포참조",
                                               "전송내역", "충전내역",   "충전안내"};
    auto* tabs = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        m_pageButtons[i] = Button(QString::fromUtf8(kPageTitles[i]), "", side);
        m_pageButtons[i]->setObjectName(QStringLiteral("pageButton%1").arg(2027 + i));
        m_pageButtons[i]->setCheckable(true);
        tabs->addWidget(m_pageButtons[i]);
        connect(m_pageButtons[i], &QPushButton::clicked, this, [this, i] { OnWebTab(i + 1); });
    }
    m_pageButtons[0]->setChecked(true);
    m_webTab = 1;
    tabs->addStretch();
    layout->addLayout(tabs);

    // The app-signal filter shows with the list only; the combined-send controls stay on every tab.
    auto* filters = new QHBoxLayout;
    m_signal = new QComboBox(side);
    m_signal->setObjectName(QStringLiteral("signalCombo"));
    m_combined = new QCheckBox(QStringLiteral("문자+AlderS 무료 전송"), side);
    m_combined->setObjectName(QStringLiteral("combinedCheck"));
    m_centerMembers = new QCheckBox(QStringLiteral("센터회원포함(모바일신호 3일이내)"), side);
    m_centerMembers->setObjectName(QStringLiteral("centerMembersCheck"));
    m_imageButton = Button(QStringLiteral("이미지"), "imageButton", side);
    // Whether the app part goes with a picture, seen beside its button.
    m_imageState = new QLabel(side);
    m_imageState->setObjectName(QStringLiteral("imageStateLabel"));
    filters->addWidget(m_signal);
    filters->addWidget(m_combined);
    filters->addWidget(m_centerMembers);
    filters->addWidget(m_imageButton);
    filters->addWidget(m_imageState);
    filters->addStretch();
    layout->addLayout(filters);

    m_frame = new CPanelFrame(side);
    m_frame->setObjectName(QStringLiteral("panelFrame"));
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(m_frame->contentsMargins());
    m_pages = new QStackedWidget(m_frame);
    m_pages->setObjectName(QStringLiteral("pages"));
    frameLayout->addWidget(m_pages);
    layout->addWidget(m_frame, 1);

    // Page 0: the recipient list.
    auto* listPage = new QWidget(m_pages);
    auto* list = new QVBoxLayout(listPage);

    m_grid = new CTrellisEx(listPage);
    m_grid->setObjectName(QStringLiteral("recipientGrid"));
    m_grid->SetListModeDefault();
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
    m_pasteButton = Button(QStringLiteral("붙여넣기"), "pasteButton", listPage);
    m_checkAll = Button(QStringLiteral("모두체크"), "checkAllButton", listPage);
    m_uncheckAll = Button(QStringLiteral("모두해제"), "uncheckAllButton", listPage);
    add->addWidget(m_addName);
    add->addWidget(m_addPhone);
    add->addWidget(m_addButton);
    add->addWidget(m_pasteButton);
    add->addStretch();
    add->addWidget(m_checkAll);
    add->addWidget(m_uncheckAll);
    list->addLayout(add);
    m_pages->addWidget(listPage);

    // Page 1: the center's pages.
    m_webPanel = new CSmsWebPanel(m_pages);
    m_webPanel->setObjectName(QStringLiteral("webPanel"));
    m_pages->addWidget(m_webPanel);
    connect(m_webPanel, &CSmsWebPanel::MessageCopied, this, &CSMSDlg::OnCopyMsgToApp);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("콜센터 ☎"), side));
    m_centerPhone = new QLabel(side);
    m_centerPhone->setObjectName(QStringLiteral("centerPhone"));
    bottom->addWidget(m_centerPhone);
    bottom->addWidget(new QLabel(QStringLiteral("FAX"), side));
    m_centerFax = new QLabel(side);
    m_centerFax->setObjectName(QStringLiteral("centerFax"));
    bottom->addWidget(m_centerFax);
    bottom->addStretch();
    for (int i = 0; i < 3; ++i) {
        m_accountLine[i] = new QLabel(side);
        m_accountLine[i]->setObjectName(QStringLiteral("accountLine%1").arg(i + 1));
        bottom->addWidget(m_accountLine[i]);
    }
    layout->addLayout(bottom);

    connect(m_addButton, &QPushButton::clicked, this, &CSMSDlg::OnAddRecipient);
    connect(m_pasteButton, &QPushButton::clicked, this, &CSMSDlg::OnPaste);
    connect(m_checkAll, &QPushButton::clicked, this, [this] { OnCheckAll(true); });
    connect(m_uncheckAll, &QPushButton::clicked, this, [this] { OnCheckAll(false); });
    connect(m_grid, &CTrellisEx::cellClicked, this, &CSMSDlg::OnClickGrid);
    connect(m_combined, &QCheckBox::clicked, this, &CSMSDlg::OnCombinedSend);
    connect(m_imageButton, &QPushButton::clicked, this, &CSMSDlg::OnImage);
    connect(m_signal, &QComboBox::currentIndexChanged, this, &CSMSDlg::ApplySignalFilter);
    return side;
}

void CSMSDlg::SetToolTips() {
    m_special->setToolTip(QStringLiteral("특수문자를 표시합니다."));
    m_callbackButton->setToolTip(QStringLiteral("센터에 등록된 발신번호를 선택합니다."));
    m_addButton->setToolTip(QStringLiteral("수기로 입력한 이름과 전화번호를 전송대상 목록에 추가합니다."));
    m_pasteButton->setToolTip(QStringLiteral("클립보드에 복사해둔 데이터를 전송대상 목록에 추가합니다."));
    m_pageButtons[0]->setToolTip(QStringLiteral("SMS를 전송할 대상 전화번호 목록입니다."));
    m_pageButtons[1]->setToolTip(QStringLiteral("메시지를 서식으로 등록하여 쉽게 사용하실 수 있습니다."));
    m_pageButtons[2]->setToolTip(QStringLiteral("다른 점포에서 발송한 SMS내용을 참조할 수 있습니다."));
    m_pageButtons[3]->setToolTip(QStringLiteral("이전에 전송한 SMS내역을 조회하고, 예약건을 취소합니다."));
    m_pageButtons[4]->setToolTip(QStringLiteral("콜충전 내역을 조회합니다."));
    m_pageButtons[5]->setToolTip(QStringLiteral("콜충전 방법을 안내합니다."));
    m_lms->setToolTip(
        QStringLiteral("일반 SMS는 최대 90바이트(한글45자)까지 입력이 가능하며,\nLMS는 최대 "
                       "2000바이트(한글 1000자)까지 입력이 가능합니다.\n\n차감되는 콜수가 다르니 "
                       "반드시 확인하시고 용도에 맞는 메시지를 사용하세요."));
    m_longEdit->setToolTip(
        QStringLiteral("아래 화면은 문자메시지 표준 16바이트 폭이라서 장문을 직접 입력하기 "
                       "힘듭니다.\n클릭하시면 장문 제목과 좀 더 넓은 입력창을 사용하실 수 "
                       "있습니다."));
    m_refresh->setToolTip(
        QStringLiteral("현재 콜수 표시를 갱신합니다.\n(충전처리가 되었는지 확인하실 때 사용합니다.)"));
    m_combined->setToolTip(
        QStringLiteral("AlderS 설치 고객에게는 일반문자(SMS또는 LMS)를 전송하지 않고 AlderS "
                       "무료문자로 메시지를 전송합니다."));
    m_imageButton->setToolTip(QStringLiteral("AlderS 문자발송에 포함될 이미지를 선택합니다."));
    m_optOutButton->setToolTip(
        QStringLiteral("080 수신거부 서버에서 매장의 080 수신거부 번호를 가져옵니다."));
}

void CSMSDlg::FillReservationCombos() {
    const QSignalBlocker hourBlocker(m_reserveHour);
    const QSignalBlocker minuteBlocker(m_reserveMinute);
    m_reserveHour->clear();
    for (int hour = 0; hour < 24; ++hour) {
        if (hour == 0)
            m_reserveHour->addItem(QStringLiteral("자정"));
        else if (hour < 12)
            m_reserveHour->addItem(Printf("오전%2d", hour));
        else if (hour == 12)
            m_reserveHour->addItem(QStringLiteral("정오"));
        else
            m_reserveHour->addItem(Printf("오후%2d", hour - 12));
    }
    m_reserveHour->setCurrentIndex(12);
    m_reserveMinute->clear();
    for (int minute = 0; minute < 60; minute += 10)
        m_reserveMinute->addItem(Printf("%02d", minute));
    m_reserveMinute->setCurrentIndex(0);
    m_reserveDate->setDate(zmsg::Clock::now().date());
}

void CSMSDlg::FillSignalCombo() {
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

void CSMSDlg::ShowAccountValues() {
    m_callback->setText(FromCp949(m_account.CallbackNumber()));
    m_centerPhone->setText(FromCp949(m_account.centerPhone));
    m_centerFax->setText(FromCp949(m_account.centerFax));
    m_accountLine[0]->setText(FromCp949(m_account.account1));
    m_accountLine[1]->setText(FromCp949(m_account.account2));
    m_accountLine[2]->setText(FromCp949(m_account.account3));
}

bool CSMSDlg::IsLms() const {
    return m_lms->isChecked();
}

bool CSMSDlg::GridPageShown() const {
    return m_pages->currentIndex() == 0;
}

std::string CSMSDlg::EditorText() const {
    return zmsg::ToCp949Lossy(m_editor->toPlainText());
}

void CSMSDlg::SetEditorText(const std::string& cp949) {
    m_editor->setPlainText(FromCp949(cp949)); // the change notification updates the counter
}

void CSMSDlg::UpdateModeDisplay() {
    const bool lms = IsLms();
    SetBackground(m_messageArea, QPalette::Window, lms ? kLmsArea : kSmsArea);
    m_longEdit->setVisible(lms);

    m_reserveBox->setVisible(m_reserve->isChecked());

    const bool appSeen = m_list.AppSignalSeen();
    m_combined->setEnabled(m_targetType == 0 && appSeen);
    if (!appSeen || m_targetType != 0)
        m_combined->setChecked(false);
    const bool combinedShown = m_targetType == 0 && m_combined->isChecked();
    m_centerMembers->setVisible(combinedShown);
    m_imageButton->setVisible(combinedShown);
    m_imageState->setVisible(combinedShown);
    m_imageState->setText(m_combinedPart.HasPicture() ? QStringLiteral("이미지 첨부됨")
                                                      : QStringLiteral("이미지 없음"));
    if (!combinedShown)
        m_centerMembers->setChecked(false);

    const int32_t payType = m_account.payType;
    m_balanceCaption->setText(FromCp949(BalanceCaption(payType)));
    m_kindCaption->setText(FromCp949(KindCaption(lms, m_account.lmsAdLen > 0)));
    m_usageCaption->setText(FromCp949(UsageCaption(payType)));

    m_unitCharge = UnitCharge(m_account, lms);
    m_unitLabel->setText(FromCp949(UnitChargeLabel(m_unitCharge, payType, lms)));
    m_unitLabel->setToolTip(FromCp949(UnitChargeTip(payType, lms)));

    m_reservedLine->setVisible(m_account.reserved > 0);
    m_reservedCount->setText(
        FromCp949(CvexGlobal::GetMoneyString(static_cast<long long>(m_account.reserved))));
    RecountTargets();
}

void CSMSDlg::RecountTargets() {
    m_counts = ::RecountTargets(m_list, m_combined->isChecked());
    for (size_t i = 0; i < m_list.size(); ++i)
        RefreshRecipientRow(*m_grid, m_list, i);
    m_totalCharge = ::TotalCharge(m_counts.sms, m_unitCharge, m_account.payType);
    ShowAccountFigures();
}

void CSMSDlg::ShowAccountFigures() {
    const int32_t payType = m_account.payType;
    m_balance->setText(FromCp949(FigureText(m_account.balance, payType)));
    m_smsTargets->setText(QString::number(m_counts.sms) + QStringLiteral(" 명"));
    m_unitValue->setText(FromCp949(UnitChargeText(m_unitCharge, payType)));
    m_appTargets->setText(QString::number(m_counts.app) + QStringLiteral(" 명"));
    m_total->setText(FromCp949(FigureText(m_totalCharge, payType)));
    m_remaining->setText(FromCp949(FigureText(m_account.balance - m_totalCharge, payType)));
}

void CSMSDlg::OnTimer() {
    m_loadTimer.stop();
    RecipientLoadSummary summary;
    {
        CDialogProgress progress(this);
        summary = LoadRecipients(*m_db, RecipientLoadRequest{m_targetType, m_codeList, m_condition}, m_list,
                                 progress.Hooks());
    }
    if (m_targetType == 3)
        FillRequestDates();
    FillRecipientRows(*m_grid, m_list, 0);
    UpdateSignalComboVisibility();
    UpdateModeDisplay();
    ApplySignalFilter();
    const std::string message = LoadSummaryMessage(summary, m_targetType);
    if (!message.empty())
        ShowMessageBox(message, MB_OK, 0, 0, BoxParent());
}

void CSMSDlg::RefuseUnencodable(const std::vector<std::string>& badChars) {
    ShowMessageBox(UnencodableText(badChars), MB_OK, 0, 0, BoxParent());
}

void CSMSDlg::UpdateCounter() {
    const MessageCount count = CountMessage(EditorText(), IsLms());
    m_counter->SetBlink(count.over);
    if (count.over != m_overLimit)
        SetBackground(m_editor, QPalette::Base, count.over ? kEditorOver : kEditorNormal);
    m_overLimit = count.over;
    m_counter->setText(FromCp949(CounterText(count)));
}

void CSMSDlg::ApplyAdTemplate() {
    // A refusal notice is no advertisement: neither its text nor its LMS subject takes the mark.
    if (m_targetType == 3)
        return;
    std::string text = EditorText();
    const std::string before = text;
    const AdTemplates templates =
        MakeAdTemplates(m_account.storeName, m_account.storePhone, zmsg::ToCp949Lossy(m_optOut->text()));
    ::ApplyAdTemplate(IsLms(), templates, text, m_subject);
    if (text != before)
        SetEditorText(text);
}

void CSMSDlg::OnOptOutNumber() {
    const OptOutAuth auth =
        AuthenticateOptOut(m_account.businessNumber, m_account.storeCode, AuthFormatTextSmsDialog());
    if (auth.result != 1000 && !auth.message.empty())
        ShowMessageBox(auth.message, MB_ICONERROR, 0, 0, BoxParent());
    const std::string current = zmsg::ToCp949Lossy(m_optOut->text());
    if (IsAcceptable080Number(auth.result, auth.number080) &&
        WithoutHyphens(auth.number080) != WithoutHyphens(current)) {
        // An untouched template carries the old number: it takes the new one with the field.
        const std::string before = EditorText();
        const AdTemplates old = MakeAdTemplates(m_account.storeName, m_account.storePhone, current);
        const AdTemplates next = MakeAdTemplates(m_account.storeName, m_account.storePhone, auth.number080);
        m_optOut->setText(FromCp949(auth.number080));
        if (before == old.brief)
            SetEditorText(next.brief);
        else if (before == old.full)
            SetEditorText(next.full);
    }
}

void CSMSDlg::FillRequestDates() {
    std::vector<std::string> phones;
    phones.reserve(m_list.size());
    for (const Recipient& r : m_list.rows())
        phones.push_back(r.phone);
    const RequestDates found = ::FillRequestDates(*m_db, phones);
    for (size_t i = 0; i < m_list.size(); ++i) {
        // Without its date a notice must not go: a number whose open request cannot be read is unticked.
        const std::optional<std::string> date = i < found.dates.size() ? found.dates[i] : std::nullopt;
        m_list[i].text4 = date.value_or(std::string());
        if (!date)
            m_list[i].checked = false;
    }
    ShowNotice(found.failure);
}

void CSMSDlg::OnKindSwitch() {
    UpdateModeDisplay();
    UpdateCounter();
    ApplyAdTemplate();
}

void CSMSDlg::OnReservation() {
    UpdateModeDisplay();
}

void CSMSDlg::OnCombinedSend() {
    UpdateModeDisplay();
}

void CSMSDlg::OnImage() {
    m_combinedPart.ChoosePicture(this);
    UpdateModeDisplay();
}

void CSMSDlg::OnRefreshAccount() {
    if (!m_db)
        return;
    const AccountFetch result = FetchAccount(*m_db, m_empCode, m_account, BoxParent());
    if (result == AccountFetch::NoAccount) {
        QDialog::reject();
        return;
    }
    ShowAccountValues();
    UpdateModeDisplay();
}

void CSMSDlg::UpdateSignalComboVisibility() {
    m_signal->setVisible(GridPageShown() && m_list.AppSignalSeen());
}

void CSMSDlg::ApplySignalFilter() {
    const int days = m_signal->currentIndex() < 0 ? -1 : m_signal->currentData().toInt();
    ::ApplySignalFilter(m_list, SignalLimitDate(zmsg::Clock::now().date(), days));
    RecountTargets();
}

void CSMSDlg::OnWebTab(int tab) {
    // A checkable button unchecks itself on a second click: the current tab keeps its look.
    for (int i = 0; i < 6; ++i)
        m_pageButtons[i]->setChecked(i + 1 == tab);
    if (tab == m_webTab)
        return;
    m_webTab = tab;
    // The page stays loaded while the recipients are shown.
    m_pages->setCurrentIndex(tab == 1 ? 0 : 1);
    UpdateSignalComboVisibility();
    if (tab >= 2)
        m_webPanel->ShowTab(tab, m_account.storeCode, m_empCode);
}

void CSMSDlg::OnCopyMsgToApp(const std::string& message, const std::string& title) {
    // Replaces whatever the composer held, without asking: the user chose the sample.
    m_lms->setChecked(static_cast<int>(message.size()) > kSmsLimit);
    m_subject = title;
    SetEditorText(message);
    UpdateModeDisplay();
    UpdateCounter(); // the kind may have changed while the text stayed the same
}

void CSMSDlg::OnLmsEdit() {
    std::string subject = m_subject;
    std::string text = NormalizeLineEnds(EditorText());
    if (!CLmsEditDlg::Edit(this, subject, text))
        return;
    m_subject = subject;
    SetEditorText(text);
    UpdateCounter();
}

void CSMSDlg::OnSpecialChar() {
    CSpecialCharDlg::InsertInto(m_editor, m_special);
}

void CSMSDlg::OnSelectCallback() {
    const std::optional<std::string> number = CCallbackSelectDlg::Choose(m_account.storeCode, this);
    if (number)
        m_callback->setText(FromCp949(*number));
}

void CSMSDlg::OnAddRecipient() {
    if (!GridPageShown())
        return;
    std::vector<std::string> bad;
    const std::optional<std::string> name = zmsg::ToCp949(m_addName->text().trimmed(), &bad);
    if (!name) {
        RefuseUnencodable(bad);
        m_addName->setFocus();
        return;
    }
    const std::string phone = GetDigitsOnly(zmsg::ToCp949Lossy(m_addPhone->text()));
    if (phone.size() < 9 || phone.size() > 14) {
        ShowMessageBox(K("추가하실 전화번호를 9자리 이상, 14자리 이하로 입력해 주십시오."), MB_OK, 0, 0,
                       BoxParent());
        m_addPhone->setFocus();
        return;
    }
    const int found = m_list.FindPhone(phone);
    if (found >= 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%d", found + 1);
        ShowMessageBox(K("전화번호가 목록상의 ") + text + K("행과 중복됩니다."), MB_OK, 0, 0, BoxParent());
        m_grid->clearSelection();
        m_grid->SetRowSelected(found + 1);
        m_grid->EnsureVisible(found + 1, 1);
        return;
    }
    if (LeaveOutRefused({phone}).front()) {
        ShowMessageBox(K("SMS 수신거부 회원이거나 080 수신거부를 요청한 전화번호입니다.\n"
                         "전송대상에 추가하지 않았습니다."),
                       MB_OK, 0, 0, BoxParent());
        m_addPhone->setFocus();
        return;
    }
    const size_t before = m_list.size();
    if (m_list.AddRecipient(0, *name, phone, {}, {}, {}) == RecipientList::BadFormat) {
        // Said out loud: a number typed by hand must not vanish without a word.
        ShowMessageBox(K("휴대전화번호(01로 시작하는 번호)만 전송대상에 추가할 수 있습니다."), MB_OK, 0, 0,
                       BoxParent());
        m_addPhone->setFocus();
        return;
    }
    if (m_list.size() > before)
        FillRecipientRows(*m_grid, m_list, before);
    RecountTargets();
    // Ready for the next one: typed numbers come one after the other.
    m_addName->clear();
    m_addPhone->clear();
    m_addName->setFocus();
}

void CSMSDlg::OnPaste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) {
        ShowMessageBox(K("붙여넣기 할 데이터를 참조할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    PasteResult result = PasteRecipients(data->text(), m_list);
    int refusedCount = 0;
    if (result.firstNewRow >= 0) {
        // Pasted numbers are checked against the refusals as loaded members are.
        std::vector<std::string> phones;
        for (size_t i = static_cast<size_t>(result.firstNewRow); i < m_list.size(); ++i)
            phones.push_back(m_list[i].phone);
        const std::vector<bool> refused = LeaveOutRefused(phones);
        std::vector<size_t> rows;
        for (size_t i = 0; i < refused.size(); ++i)
            if (refused[i])
                rows.push_back(static_cast<size_t>(result.firstNewRow) + i);
        refusedCount = static_cast<int>(rows.size());
        m_list.RemoveRows(rows);
        if (static_cast<size_t>(result.firstNewRow) >= m_list.size())
            result.firstNewRow = -1;
    }
    if (result.firstNewRow >= 0 && static_cast<size_t>(result.firstNewRow) < m_list.size()) {
        FillRecipientRows(*m_grid, m_list, static_cast<size_t>(result.firstNewRow));
        SelectRecipientRows(*m_grid, static_cast<size_t>(result.firstNewRow), m_list.size() - 1);
    }
    RecountTargets();
    ShowMessageBox(PasteSummaryMessage(result, refusedCount), MB_OK, 0, 0, BoxParent());
}

std::vector<bool> CSMSDlg::LeaveOutRefused(const std::vector<std::string>& phones) {
    // The notice goes to those who refused: it is the one send their numbers belong in.
    if (m_targetType == 3)
        return std::vector<bool>(phones.size(), false);
    std::vector<bool> refused;
    UserNotice failure;
    if (!FindRefusedNumbers(*m_db, phones, refused, failure)) {
        // Numbers that cannot be checked are not vouched for.
        ShowNotice(failure);
        return std::vector<bool>(phones.size(), true);
    }
    return refused;
}

void CSMSDlg::OnCheckAll(bool checked) {
    m_list.SetAllChecked(checked);
    RecountTargets();
}

void CSMSDlg::OnClickGrid(int, int column) {
    if (column != 1)
        return;
    ReadChecks(*m_grid, m_list);
    RecountTargets();
}

bool CSMSDlg::eventFilter(QObject* watched, QEvent* event) {
    // The grid must not copy members' numbers to the clipboard.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CSMSDlg::accept() {
    // A picture the app part cannot carry any more (its file gone or spoilt) stops the press before
    // anything goes out: the app members must not get the message without it unasked.
    if (m_combined->isChecked() && m_counts.app > 0 && m_combinedPart.HasPicture() &&
        !m_combinedPart.PictureUsable()) {
        ShowMessageBox(
            K("첨부한 이미지 파일을 읽을 수 없습니다.\n이미지 버튼을 눌러 이미지를 다시 선택하시거나 "
              "빼 주십시오."),
            MB_OK, 0, 0, BoxParent());
        return;
    }
    // The result send code stays that of the last completed send: a refused press leaves it alone.
    SmsSendInput input;
    input.empCode = m_empCode;
    input.targetType = m_targetType;
    input.account = m_account;
    input.batchSize = m_bindOnce;
    input.lms = IsLms();
    input.subject = m_subject;
    input.message = EditorText();
    input.callbackField = zmsg::ToCp949Lossy(m_callback->text());
    const AdTemplates templates =
        MakeAdTemplates(m_account.storeName, m_account.storePhone, zmsg::ToCp949Lossy(m_optOut->text()));
    input.bareTemplate = input.lms ? templates.full : templates.brief;
    if (m_reserve->isChecked())
        input.reservation = QDateTime(m_reserveDate->date(), QTime(m_reserveHour->currentIndex(),
                                                                   10 * m_reserveMinute->currentIndex()));
    input.header1 = m_grid->GetItemText(0, 1);
    input.header3 = m_grid->GetItemText(0, 3);
    input.header4 = m_grid->GetItemText(0, 4);
    input.rows = m_list.rows();
    input.draft = CurrentDraft();
    input.ownUnsettled = m_unsettled;
    // Asked about first by every press, the combined option on or off.
    input.ownAppUnsettled = m_combinedPart.Unsettled();
    input.settledSent = MarkDraftsSent;
    CombinedAppInput app;
    if (m_combined->isChecked()) {
        app.storeCode = m_account.storeCode;
        app.storeName = m_account.storeName;
        app.empCode = m_empCode;
        app.empName = m_account.employeeName;
        app.lmsTitle = input.subject;
        app.message = input.message;
        app.callbackField = input.callbackField;
        app.reservation = input.reservation;
        app.header1 = input.header1;
        app.header3 = input.header3;
        app.rows = input.rows;
        app.saveSentDraft = [draft = input.draft] { SaveSmsDraft(SmsDraftPath(), draft, 1); };
        input.appPart = m_combinedPart.Identity(app);
    }
    input.phoneFormats = [this] {
        const std::string question = m_list.PhoneFormatQuestion();
        return question.empty() || ShowMessageBox(question, kQuestionNoDefault, 0, 0, BoxParent()) == IDYES;
    };
    input.adRules = [this, lms = input.lms, subject = input.subject, message = input.message,
                     reservation = input.reservation] {
        return AskAdRules(lms, subject, message, reservation);
    };

    // Shown when the checks have passed, that is at the first step shown.
    CDialogProgress progress(this);
    if (m_combined->isChecked())
        input.combinedSend = [this, &app, &progress](const SmsPartDone& done) {
            return m_combinedPart.Send(*m_db, std::move(app), done, progress.Hooks());
        };

    // The report is read over the dialog as the send left it: rows gone, balance and counts new.
    bool changesShown = false;
    input.beforeReport = [this, &changesShown](const SmsSendResult& soFar) {
        ShowSendChanges(soFar);
        changesShown = true;
    };

    // From the first request on (the begin goes out before the window shows): the windows keep
    // painting while the send holds the thread, and nothing of this dialog runs meanwhile.
    const zmsg::ScopedOperation operation;
    SmsSendTransaction send(*m_db, std::move(input), progress.Hooks());
    const SmsSendResult result = send.Run();
    progress.Close();
    if (!changesShown)
        ShowSendChanges(result);
    ApplySendOutcome(result);
}

bool CSMSDlg::AskAdRules(bool lms, const std::string& subject, const std::string& message,
                         const std::optional<QDateTime>& reservation) {
    const std::string normalized = NormalizeMessage(message);
    // The box exempts a message from the form rules of advertising only: a message that begins with
    // the mark is advertising, and at night it needs the recipients' consent whatever the box says.
    if (!m_noAdCheck->isChecked()) {
        const std::string optOut = zmsg::ToCp949Lossy(m_optOut->text());
        if (optOut.size() < 10) {
            // The clerk is told where the number goes, typed or fetched with the button.
            ShowMessageBox(K("메시지 수신동의철회를 위한 번호를 입력해 주십시오.\n"
                             "(\"080수신번호\" 버튼 옆 칸에 매장의 080 수신거부 번호를 입력합니다.)"),
                           MB_OK, 0, 0, BoxParent());
            m_optOut->setFocus();
            return false;
        }
        AdRuleInput rules;
        rules.lms = lms;
        rules.subject = subject;
        rules.message = normalized;
        rules.storeName = m_account.storeName;
        rules.storePhone = m_account.storePhone;
        rules.optOutNumber = optOut;
        if (!CheckAdRules(rules, BoxParent()))
            return false;
    }
    // A refusal notice never gets here as advertising: the send refuses that before.
    return CheckNightAdvertising(normalized, subject, reservation, BoxParent());
}

void CSMSDlg::ShowSendChanges(const SmsSendResult& result) {
    m_unsettled = result.unsettled;
    // A press that ended in its settle may have settled the app part; one that went on left it to
    // the app part's own send.
    if (result.settled)
        m_combinedPart.SetUnsettled(result.appUnsettled);
    // This window's sends only: a settled send counts when it is the window's own earlier press of
    // this same message (a refusal notice that went out after all), never another send it met.
    int32_t code = result.localCode;
    if (code <= 0 && result.settled && result.settled->own && result.settled->same)
        code = result.settled->localCode;
    if (code > 0 && std::find(m_sendCodes.begin(), m_sendCodes.end(), code) == m_sendCodes.end()) {
        m_resultSendCode = code;
        m_sendCodes.push_back(code);
    }
    if (result.balance)
        m_account.balance = *result.balance;
    if (!result.rowsToRemove.empty()) {
        m_list.RemoveRows(result.rowsToRemove);
        FillRecipientRows(*m_grid, m_list);
    }
    RecountTargets();
    ShowPendingSend();
}

void CSMSDlg::ShowPendingSend() {
    // The window's own unsettled send; else one the journal holds from an earlier window or program,
    // which this window's next press settles first as well, whatever the message kind: an app
    // message (alone or as a combined send's app part) can reach the same members.
    const std::optional<PendingSend> pending = PendingForWindow(m_unsettled, SendKind::Sms);
    const std::optional<PendingSend> app = PendingForWindow(m_combinedPart.Unsettled(), SendKind::App);
    m_pendingLine->ShowNotice(PendingNotices({pending, app}));
}

void CSMSDlg::ApplySendOutcome(const SmsSendResult& result) {
    switch (result.focus) {
    case kFocusMessage:
        m_editor->setFocus();
        break;
    case kFocusCallback:
        m_callback->setFocus();
        break;
    default:
        break;
    }
    switch (result.outcome) {
    case SmsSendOutcome::Sent:
        WriteLog(K("전송창 닫기(OnOK)"), 0);
        QDialog::accept();
        return;
    case SmsSendOutcome::Reserved:
        // The dialog stays for the next message; the history tab shows the reserved one.
        m_editor->clear();
        OnWebTab(kHistoryTab);
        return;
    case SmsSendOutcome::Disputed:
        // Where the clerk sees whether the earlier send went out, before settling it.
        OnWebTab(kHistoryTab);
        return;
    default:
        return;
    }
}

SmsDraft CSMSDlg::CurrentDraft() const {
    SmsDraft draft;
    draft.lms = IsLms();
    draft.subject = m_subject;
    draft.message = EditorText();
    draft.callback = zmsg::ToCp949Lossy(m_callback->text());
    draft.optOutNumber = zmsg::ToCp949Lossy(m_optOut->text());
    return draft;
}

void CSMSDlg::LoadDraft() {
    const std::optional<SmsDraft> draft = LoadSmsDraft(SmsDraftPath());
    if (!draft)
        return;
    m_optOut->setText(FromCp949(draft->optOutNumber));
    if (!ShouldOfferDraft(*draft, m_targetType, zmsg::Clock::now().date()))
        return;
    if (ShowMessageBox(DraftQuestion(), MB_YESNO | MB_ICONQUESTION, 0, 0, BoxParent()) != IDYES)
        return;
    m_lms->setChecked(draft->lms);
    m_subject = draft->lms ? draft->subject : std::string();
    SetEditorText(draft->message);
    m_callback->setText(FromCp949(draft->callback));
    UpdateModeDisplay();
    UpdateCounter();
}

void CSMSDlg::reject() {
    if (ShowMessageBox(K("전송창을 닫으시겠습니까?"), kQuestionNoDefault, 0, 0, BoxParent()) != IDYES)
        return;
    // A dialog that never opened holds no message: it must not overwrite the one kept.
    if (m_opened && m_targetType != 3)
        SaveSmsDraft(SmsDraftPath(), CurrentDraft(), 0);
    WriteLog(K("전송창 닫기(OnCancel)"), 0);
    QDialog::reject();
}
