// Choosing one of the store's callback numbers registered with the center: the center's page in
// an embedded browser hands the chosen number over through the "DoCopyCallbackToApp" command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QDialog>

class CWebBrowser2;
class QPushButton;

class CCallbackSelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCallbackSelectDlg(int32_t mart, QWidget* parent = nullptr);
    ~CCallbackSelectDlg() override;

    // The number the user chose (CP949, as the page gives it, trimmed); nullopt on cancel.
    static std::optional<std::string> Choose(int32_t mart, QWidget* parent);

    // Accepted once a number was chosen; empty until then.
    const std::string& Selected() const { return m_strSelected; }
    CWebBrowser2* Browser() const { return m_browser; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    // UM_COPYCALLBACKTOAPP: the page asked to hand its chosen number over.
    void OnCopyCallbackToApp();

    int32_t m_mart;
    std::string m_strSelected;
    bool m_initialised = false;
    CWebBrowser2* m_browser;
    QPushButton* m_cancel;
};
