#include "sms/ui/smsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/ui/callbackselectdlg.h"
#include "compose/ui/specialchardlg.h"
#include "frame/clock.h"
#include "frame/messagebox.h"
#include "frame/widgets/blinkstatic.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/cp949guard.h"
#include "sms/ui/lmseditdlg.h"
#include "sms/ui/smsdlgcolors.h"
#include "text/codec.h"
#include "text/textscan.h"

using smsdlg::kEditorNormal;
using smsdlg::kEditorOver;
using smsdlg::SetBackground;
using zmsg::Button;
using zmsg::FromCp949;

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

bool CSMSDlg::IsLms() const {
    return m_lms->isChecked();
}

std::string CSMSDlg::EditorText() const {
    return zmsg::ToCp949Lossy(m_editor->toPlainText());
}

void CSMSDlg::SetEditorText(const std::string& cp949) {
    m_editor->setPlainText(FromCp949(cp949)); // the change notification updates the counter
}

void CSMSDlg::UpdateCounter() {
    const MessageCount count = CountMessage(EditorText(), IsLms());
    m_counter->SetBlink(count.over);
    if (count.over != m_overLimit)
        SetBackground(m_editor, QPalette::Base, count.over ? kEditorOver : kEditorNormal);
    m_overLimit = count.over;
    m_counter->setText(FromCp949(CounterText(count)));
}

void CSMSDlg::RefuseUnencodable(const std::vector<std::string>& badChars) {
    ShowMessageBox(UnencodableText(badChars), MB_OK, 0, 0, BoxParent());
}

void CSMSDlg::OnKindSwitch() {
    UpdateModeDisplay();
    UpdateCounter();
    ApplyAdTemplate();
}

void CSMSDlg::OnReservation() {
    UpdateModeDisplay();
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

void CSMSDlg::OnCopyMsgToApp(const std::string& message, const std::string& title) {
    // Replaces whatever the composer held, without asking: the user chose the sample.
    m_lms->setChecked(static_cast<int>(message.size()) > kSmsLimit);
    m_subject = title;
    SetEditorText(message);
    UpdateModeDisplay();
    UpdateCounter(); // the kind may have changed while the text stayed the same
}
