#include "sms/ui/smsdlg.h"

#include <optional>

#include <QCheckBox>
#include <QLineEdit>

#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::FromCp949;

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
