// The center's pages on the SMS dialog's right-hand side (its tabs 2 to 6): message samples and
// templates the user copies into the composer, other stores' messages, the send history and the
// charge pages. The page hands a message over with the "DoCopyMsgToApp" command.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <QWidget>

class CWebBrowser2;

class CSmsWebPanel : public QWidget {
    Q_OBJECT
public:
    explicit CSmsWebPanel(QWidget* parent = nullptr);
    ~CSmsWebPanel() override;

    // Loads the page of dialog tab 2 to 6 afresh (the page numbers its own tabs 1 to 5) and gives
    // the browser the focus.
    void ShowTab(int tab, int32_t mart, int32_t emp);

    CWebBrowser2* Browser() const { return m_browser; }

signals:
    // The page handed a message over: CP949, never empty, trailing white space removed, line
    // breaks "\n"; the title is CP949 and may be empty.
    void MessageCopied(const std::string& message, const std::string& title);

private:
    // UM_COPYMSGTOAPP: fetch the page's message and title, both or nothing.
    void OnCopyMsgToApp();

    CWebBrowser2* m_browser;
};
