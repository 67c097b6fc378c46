#include "sms/ui/smsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "frame/widgets/buttons.h"
#include "sms/ui/panelframe.h"
#include "sms/ui/smswebpanel.h"

using zmsg::Button;

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
    m_pages->addWidget(BuildListPage(m_pages));

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

    connect(m_combined, &QCheckBox::clicked, this, &CSMSDlg::OnCombinedSend);
    connect(m_imageButton, &QPushButton::clicked, this, &CSMSDlg::OnImage);
    connect(m_signal, &QComboBox::currentIndexChanged, this, &CSMSDlg::ApplySignalFilter);
    return side;
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

bool CSMSDlg::GridPageShown() const {
    return m_pages->currentIndex() == 0;
}
