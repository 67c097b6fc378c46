// The draft: what the window holds, offered again at the next open and kept when the window closes.
#include "smms/ui/smmsdlg.h"

#include <optional>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

SmmsDraft CSmmsDlg::CurrentDraft() const {
    SmmsDraft draft;
    draft.localCode = m_localCode;
    draft.title = TitleText();
    draft.message = BodyText();
    draft.imagePath = zmsg::FileNameToCp949(m_strImagePath); // the draft is CP949 text
    draft.centerImageBox = m_centerImageBox;
    draft.centerImageCode = m_centerImage;
    draft.callback = zmsg::ToCp949Lossy(m_callback->text());
    draft.allUser = m_allUser->isChecked();
    return draft;
}

void CSmmsDlg::LoadDraft() {
    const std::optional<SmmsDraft> draft = LoadSmmsDraft(SmmsDraftPath());
    if (!draft)
        return;
    m_allUser->setChecked(draft->allUser);
    if (draft->allUser)
        ShowMessageBox(AllUserWarning(), MB_OK, 0, 0, BoxParent());
    if (!ShouldOfferSmmsDraft(*draft, zmsg::Clock::now().date()))
        return;
    if (ShowMessageBox(SmmsDraftQuestion(), MB_YESNO | MB_ICONQUESTION, 0, 0, BoxParent()) != IDYES)
        return;
    if (!draft->title.empty())
        m_title->setText(FromCp949(draft->title));
    if (!draft->callback.empty())
        m_callback->setText(FromCp949(draft->callback));
    m_body->setPlainText(FromCp949(draft->message));
}

void CSmmsDlg::SaveDraft(int32_t sent) {
    SaveSmmsDraft(SmmsDraftPath(), CurrentDraft(), sent);
}

void CSmmsDlg::reject() {
    if (ShowMessageBox(K("AlderS 문자 전송창을 닫으시겠습니까?"), kQuestionNoDefault, 0, 0, BoxParent()) !=
        IDYES)
        return;
    // A dialog that never opened holds no message: it must not overwrite the one kept.
    if (m_opened)
        SaveDraft(0);
    WriteLog(K("SMMS 전송창 닫기(OnCancel)"), 0);
    QDialog::reject();
}
