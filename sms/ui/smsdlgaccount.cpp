#include "sms/ui/smsdlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "db/sqldirect.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/pendingline.h"
#include "frame/widgets/trellisex.h"
#include "sms/ui/recipientgrid.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::FromCp949;

namespace {

QLabel* Value(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

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

void CSMSDlg::ShowAccountValues() {
    m_callback->setText(FromCp949(m_account.CallbackNumber()));
    m_centerPhone->setText(FromCp949(m_account.centerPhone));
    m_centerFax->setText(FromCp949(m_account.centerFax));
    m_accountLine[0]->setText(FromCp949(m_account.account1));
    m_accountLine[1]->setText(FromCp949(m_account.account2));
    m_accountLine[2]->setText(FromCp949(m_account.account3));
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
