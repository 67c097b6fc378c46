// The send: its input from the controls, the run, and what its result asks of the window.
#include "smms/ui/smmsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include "center/send/pendingnotice.h"
#include "compose/composition.h"
#include "frame/log.h"
#include "frame/operationpump.h"
#include "frame/widgets/pendingline.h"
#include "frame/widgets/trellisex.h"
#include "smms/ui/smmsgrid.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

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
