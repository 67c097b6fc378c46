// The center's pages inside a dialog. Both directions go through here: the dialog navigates and
// calls the page's functions; the page asks for a hand-over by navigating to an address that
// carries a page command, which is cancelled and posted to the dialog as a call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QPointer>
#include <QWebEngineView>

#include "center/web/pagescript.h"

class CCommandPage;

class CWebBrowser2 : public QWebEngineView {
    Q_OBJECT
public:
    explicit CWebBrowser2(QWidget* parent = nullptr);
    ~CWebBrowser2() override;

    // url: ASCII (the center's addresses are). Does not wait for the page; takes the focus.
    void Navigate2(const std::string& url);

    // When a navigation's address contains word (case-sensitive, anywhere), the navigation is
    // cancelled and handler is queued on receiver. No handler: the navigation is only cancelled.
    void AddPageCommand(const std::string& word, QObject* receiver = nullptr,
                        std::function<void()> handler = {});

    // Calls the page's functions one after the other and hands all values to done once the last
    // has answered; done runs only while context lives. A value the page cannot give in code
    // page 949 is logged with its characters.
    using PageValuesHandler = std::function<void(const zmsg::PageValues&)>;
    void CallPageFunctions(std::vector<std::string> names, QObject* context, PageValuesHandler done);
    void CallPageFunction(const std::string& name, QObject* context, PageValuesHandler done);

    // The page never shows scroll bars inside the dialog.
    void HidePageScrollbars();

    CCommandPage* CommandPage() const { return m_page; }

signals:
    // Every load that ends, ok or not.
    void DocumentComplete(bool ok);

private:
    void CallNext(std::vector<std::string> names, size_t next, zmsg::PageValues sofar,
                  QPointer<QObject> context, PageValuesHandler done);

    CCommandPage* m_page;
};
