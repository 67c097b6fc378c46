// The right-hand pages: the member list or one of the center's pages, and a message copied from them.
#include "smms/ui/smmsdlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "center/pagehandover.h"
#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

void CSmmsDlg::ShowPage(int page) {
    for (int i = 0; i < 4; ++i) {
        static const int kPageOf[] = {kPageMembers, kPageImageBox, kPageSent, kPageOpen};
        m_pageButtons[i]->setChecked(kPageOf[i] == page); // a second click must not un-press it
    }
    if (page == m_page)
        return;
    m_page = page;
    m_pages->setCurrentIndex(page == kPageMembers ? 0 : 1);
    if (page == kPageMembers)
        return;
    const char* name = page == kPageImageBox ? "IMGBOX" : page == kPageSent ? "SENDED" : "OPENMSG";
    m_browser->Navigate2(zmsg::SmmsPageUrl(name, m_account.storeCode, m_empCode));
    m_browser->setFocus();
}

void CSmmsDlg::OnUseWebCopyMsg() {
    m_browser->CallPageFunction("jsGetCopyMsg", this, [this](const zmsg::PageValues& page) {
        if (!page.ok() || page.values.size() != 1)
            return;
        QMetaObject::invokeMethod(
            this, [this, text = page.values[0]] { ApplyCopiedMessage(text); }, Qt::QueuedConnection);
    });
}

void CSmmsDlg::ApplyCopiedMessage(const std::string& pageText) {
    const CopiedSmms copied = ParseCopiedSmms(pageText);
    if (copied.empty())
        return;
    if (!m_title->text().isEmpty() || !m_body->toPlainText().isEmpty()) {
        if (ShowMessageBox(K("이미 작성중인 메시지가 있습니다.\n\n기존 제목과 메시지를 복사된 내용으로 "
                             "대체하시겠습니까?"),
                           kQuestionNoDefault, 0, 0, BoxParent()) != IDYES)
            return;
    }
    m_title->setText(FromCp949(copied.title));
    m_body->setPlainText(FromCp949(copied.content));
}
