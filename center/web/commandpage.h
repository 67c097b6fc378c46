// The page under CWebBrowser2: sees every navigation before it happens and turns the ones that
// carry a page command into a call posted to the dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QPointer>
#include <QWebEnginePage>

class CCommandPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit CCommandPage(QObject* parent = nullptr);

    // Commands are searched in the order they were added; the first found wins. A command without
    // a handler only cancels the navigation.
    void AddCommand(const std::string& word, QObject* receiver, std::function<void()> handler);

signals:
    // A navigation was cancelled because its address carried this command.
    void commandFound(const QString& word);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    struct Command {
        std::string word;
        QPointer<QObject> receiver;
        std::function<void()> handler;
    };
    std::vector<Command> m_commands;
};
