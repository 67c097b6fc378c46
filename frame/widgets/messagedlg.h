// The module's message box: large bold text in a chosen colour, Korean button labels with
// accelerators, and a box that grows to fit its text.
#pragma once

#include <array>
#include <string>

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

class CMessageDlg : public QDialog {
    Q_OBJECT
    // Readable through the meta-object system, so a host's test can read a box of the loaded module.
    Q_PROPERTY(QString text READ Text CONSTANT)
public:
    // text: CP949, shown with blanks trimmed at both ends. type: the MB_* bits of frame/messagebox.h.
    // textColor: 0x00BBGGRR. closeKey: a virtual-key code that ends the box with itself as the
    // result (0 = none; ignored for boxes with a cancel choice).
    CMessageDlg(const std::string& text, unsigned type, unsigned textColor, int closeKey,
                QWidget* parent = nullptr);
    ~CMessageDlg() override;

    // What the box shows, for its callers' tests.
    const QString& Text() const { return m_text; }
    QColor TextColor() const { return m_textColor; }
    int IconId() const { return m_iconId; }
    int CloseKey() const { return m_closeKey; }
    // 0 first, 1 second, 2 third; hidden buttons have no result.
    QPushButton* Button(int index) const { return m_buttons.at(static_cast<size_t>(index)); }
    // Where the text is drawn, in client coordinates.
    QRect TextRect() const;

    // The answer a box of this type gives when nobody can be asked (no window system).
    static int UnattendedAnswer(unsigned type);

public slots:
    // Enter acts on the focused button; the OK command alone never closes the box.
    void accept() override {}
    // Escape and the window's close request: the Escape result when the box has one.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpButtons();
    void FitToText();
    void LayoutButtons();
    void CentreOnOwner();
    void FocusInitialButton();
    bool HandleCloseKey(const QKeyEvent* event);
    bool ClickMnemonic(int key);
    void OnButton(int index);

    std::array<QPushButton*, 3> m_buttons{};
    std::array<int, 4> m_results{}; // first, second, third button, Escape; 0 = does nothing
    QLabel* m_icon = nullptr;
    QFrame* m_separator = nullptr;
    QString m_text;
    QFont m_textFont;
    QColor m_textColor;
    unsigned m_type = 0;
    int m_closeKey = 0;
    int m_iconId = 0;
    int m_focusIndex = 0;
};

// Routes ShowMessageBox to CMessageDlg. Called once at start-up, after the application object exists.
void InstallMessageDialogPresenter();
