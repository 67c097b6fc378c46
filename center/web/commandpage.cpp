#include "center/web/commandpage.h"

#include "center/web/pagecommand.h"
#include "frame/operationpump.h"

CCommandPage::CCommandPage(QObject* parent) : QWebEnginePage(parent) {}

void CCommandPage::AddCommand(const std::string& word, QObject* receiver, std::function<void()> handler) {
    m_commands.push_back({word, receiver, std::move(handler)});
}

bool CCommandPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    std::vector<std::string> words;
    words.reserve(m_commands.size());
    for (const auto& c : m_commands)
        words.push_back(c.word);
    const int found = zmsg::FindPageCommand(url.toString(QUrl::FullyEncoded).toStdString(), words);
    if (found < 0)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);

    const Command& command = m_commands[static_cast<size_t>(found)];
    // Posted, never run here: the handler calls back into the page, which must not be re-entered
    // from its own navigation request. It waits for an operation of the dialog (a send holding the
    // thread while its window paints) to end. A receiver destroyed meanwhile drops the call.
    if (command.handler && command.receiver)
        zmsg::PostWhenIdle(command.receiver.data(), command.handler);
    emit commandFound(QString::fromStdString(command.word));
    return false;
}
