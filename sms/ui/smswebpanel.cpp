#include "sms/ui/smswebpanel.h"

#include <QVBoxLayout>
#include <QWebEngineSettings>

#include "center/pagehandover.h"
#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "compose/composition.h"
#include "frame/messagebox.h"

CSmsWebPanel::CSmsWebPanel(QWidget* parent) : QWidget(parent), m_browser(new CWebBrowser2(this)) {
    m_browser->setObjectName(QStringLiteral("smsWebBrowser"));
    // A page the center cannot deliver leaves the panel empty rather than showing the engine's
    // own error text, which means nothing to a store clerk.
    m_browser->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    // The copy is looked for first: an address carrying both commands is a copy.
    m_browser->AddPageCommand(std::string(zmsg::kDoCopyMsgToApp), this, [this] { OnCopyMsgToApp(); });
    // What the page wants from a reload is not ours to guess: it is only kept from navigating.
    m_browser->AddPageCommand(std::string(zmsg::kDoReloadCall));
    connect(m_browser, &CWebBrowser2::DocumentComplete, m_browser, &CWebBrowser2::HidePageScrollbars);
}

CSmsWebPanel::~CSmsWebPanel() = default;

void CSmsWebPanel::ShowTab(int tab, int32_t mart, int32_t emp) {
    m_browser->Navigate2(zmsg::SmsPageUrl(tab - 1, mart, emp));
    m_browser->setFocus();
}

void CSmsWebPanel::OnCopyMsgToApp() {
    m_browser->CallPageFunctions({"jsGetCopyMsg", "jsGetCopyTitle"}, this,
                                 [this](const zmsg::PageValues& page) {
                                     if (page.status == zmsg::PageCallStatus::Unencodable) {
                                         // Told from the queue, not from inside the page's answer: the box
                                         // runs its own event loop.
                                         QMetaObject::invokeMethod(
                                             this,
                                             [this, text = UnencodableText(page.badChars)] {
                                                 ShowMessageBox(text, MB_OK, 0, 0, this);
                                             },
                                             Qt::QueuedConnection);
                                         return;
                                     }
                                     if (!page.ok() || page.values.size() != 2)
                                         return;
                                     // A blank message would wipe what the user wrote and could never be
                                     // sent.
                                     const std::string message = CopiedMessage(page.values[0]);
                                     if (message.empty())
                                         return;
                                     emit MessageCopied(message, page.values[1]);
                                 });
}
