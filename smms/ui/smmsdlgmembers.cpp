// The member grid: the delayed load, the mobile-signal filter, the checks and the members added by hand.
#include "smms/ui/smmsdlg.h"

#include <optional>
#include <vector>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "frame/clock.h"
#include "frame/digits.h"
#include "frame/messagebox.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "members/targets.h"
#include "smms/smmsmembers.h"
#include "smms/ui/smmsgrid.h"
#include "text/codec.h"

using zmsg::K;

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

bool CSmmsDlg::eventFilter(QObject* watched, QEvent* event) {
    // The grid must not copy members' numbers to the clipboard.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
