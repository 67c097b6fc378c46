#include "sms/ui/smsdlg.h"

#include <algorithm>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "center/send/pendingnotice.h"
#include "compose/smmsdraft.h"
#include "compose/smsdraft.h"
#include "db/sqldirect.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/operationpump.h"
#include "frame/widgets/pendingline.h"
#include "frame/widgets/trellisex.h"
#include "sms/smssend.h"
#include "sms/ui/recipientgrid.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kFocusMessage = 2026;
constexpr int kFocusCallback = 2034;
constexpr int kHistoryTab = 4; // button 2030: the sending history

} // namespace

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

void CSMSDlg::OnCombinedSend() {
    UpdateModeDisplay();
}

void CSMSDlg::OnImage() {
    m_combinedPart.ChoosePicture(this);
    UpdateModeDisplay();
}
