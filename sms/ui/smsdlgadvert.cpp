#include "sms/ui/smsdlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "frame/messagebox.h"
#include "optout/optoutprotocol.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

namespace {

std::string WithoutHyphens(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '-')
            out += c;
    return out;
}

} // namespace

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
