// The long-message editor: a larger window for an LMS title (40 bytes) and text (2000 bytes),
// with the limits kept as the user types.
#pragma once

#include <string>

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CLmsEditDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr size_t kTitleLimit = 40;
    static constexpr size_t kTextLimit = 2000;

    explicit CLmsEditDlg(QWidget* parent = nullptr);
    ~CLmsEditDlg() override;

    // Edits subject and text (CP949, line breaks "\n"). True on OK, both then holding what the
    // user confirmed; on cancel they are left as they were.
    static bool Edit(QWidget* parent, std::string& subject, std::string& text);

    // Set before the dialog is shown; after OK they hold the confirmed values.
    void SetTitle(const std::string& title) { m_strTitle = title; }
    void SetText(const std::string& text) { m_strText = text; }
    const std::string& Title() const { return m_strTitle; }
    const std::string& Text() const { return m_strText; }

    QLineEdit* TitleEdit() const { return m_titleEdit; }
    QPlainTextEdit* TextEdit() const { return m_textEdit; }
    QLabel* TitleCounter() const { return m_titleCounter; }
    QLabel* TextCounter() const { return m_textCounter; }
    QPushButton* TitleCharButton() const { return m_titleChar; }
    QPushButton* TextCharButton() const { return m_textChar; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnUpdateTitle();
    void OnUpdateText();
    // The edit's text in CP949; nullopt (after putting back the last good text and telling the
    // user) when it holds characters a text message cannot carry.
    std::optional<std::string> EncodableTitle();
    std::optional<std::string> EncodableText();

    std::string m_strTitle;
    std::string m_strText;
    bool m_initialised = false;
    bool m_updating = false;
    QString m_lastTitle;
    QString m_lastText;

    QLineEdit* m_titleEdit;
    QPlainTextEdit* m_textEdit;
    QPushButton* m_titleChar;
    QPushButton* m_textChar;
    QLabel* m_titleCounter;
    QLabel* m_textCounter;
    QLabel* m_note;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
