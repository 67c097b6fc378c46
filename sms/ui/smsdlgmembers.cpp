#include "sms/ui/smsdlg.h"

#include <cstdio>
#include <optional>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "compose/ui/recipiententry.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/digits.h"
#include "frame/messagebox.h"
#include "frame/widgets/buttons.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "optout/notice.h"
#include "optout/refusalcompletion.h"
#include "sms/pasteparser.h"
#include "sms/ui/recipientgrid.h"
#include "sms/ui/refusedrecipients.h"
#include "text/codec.h"

using zmsg::Button;
using zmsg::K;

QWidget* CSMSDlg::BuildListPage(QWidget* parent) {
    auto* listPage = new QWidget(parent);
    auto* list = new QVBoxLayout(listPage);

    m_grid = new CTrellisEx(listPage);
    m_grid->setObjectName(QStringLiteral("recipientGrid"));
    m_grid->SetListModeDefault();
    m_grid->installEventFilter(this);
    list->addWidget(m_grid, 1);

    const zmsg::RecipientEntryRow add = zmsg::BuildRecipientEntryRow(listPage, true);
    m_addName = add.name;
    m_addPhone = add.phone;
    m_addButton = add.add;
    m_pasteButton = add.paste;
    m_checkAll = add.checkAll;
    m_uncheckAll = add.uncheckAll;
    list->addLayout(add.layout);

    connect(m_addButton, &QPushButton::clicked, this, &CSMSDlg::OnAddRecipient);
    connect(m_pasteButton, &QPushButton::clicked, this, &CSMSDlg::OnPaste);
    connect(m_checkAll, &QPushButton::clicked, this, [this] { OnCheckAll(true); });
    connect(m_uncheckAll, &QPushButton::clicked, this, [this] { OnCheckAll(false); });
    connect(m_grid, &CTrellisEx::cellClicked, this, &CSMSDlg::OnClickGrid);
    return listPage;
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
    if (RefusedRecipients(m_db, m_targetType).LeaveOut({phone}).front()) {
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
    const int refusedCount = RefusedRecipients(m_db, m_targetType).RemovePasted(m_list, result);
    if (result.firstNewRow >= 0 && static_cast<size_t>(result.firstNewRow) < m_list.size()) {
        FillRecipientRows(*m_grid, m_list, static_cast<size_t>(result.firstNewRow));
        SelectRecipientRows(*m_grid, static_cast<size_t>(result.firstNewRow), m_list.size() - 1);
    }
    RecountTargets();
    ShowMessageBox(PasteSummaryMessage(result, refusedCount), MB_OK, 0, 0, BoxParent());
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

void CSMSDlg::UpdateSignalComboVisibility() {
    m_signal->setVisible(GridPageShown() && m_list.AppSignalSeen());
}

void CSMSDlg::ApplySignalFilter() {
    const int days = m_signal->currentIndex() < 0 ? -1 : m_signal->currentData().toInt();
    ::ApplySignalFilter(m_list, SignalLimitDate(zmsg::Clock::now().date(), days));
    RecountTargets();
}
