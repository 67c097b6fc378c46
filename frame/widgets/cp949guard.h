// Text typed or pasted into an editor that code page 949 cannot hold is not turned into something else
// on its way out: the editor gets back its last text that code page 949 can hold, with the caret where
// the refused text began, and the user is told which characters were refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

class CCp949Guard : public QObject {
public:
    // badChars: the refused characters, UTF-8, in order.
    using Refuse = std::function<void(const std::vector<std::string>& badChars)>;

    // Watches the editor for as long as it lives (the guard is its child). refuse runs after the text
    // was put back; kept runs after every change the editor keeps (a counter's update).
    CCp949Guard(QPlainTextEdit* editor, Refuse refuse, std::function<void()> kept = {});
    CCp949Guard(QLineEdit* editor, Refuse refuse, std::function<void()> kept = {});

private:
    void OnChanged();
    QString Text() const;

    QPlainTextEdit* m_plain = nullptr;
    QLineEdit* m_line = nullptr;
    Refuse m_refuse;
    std::function<void()> m_kept;
    QString m_lastGood;
};
