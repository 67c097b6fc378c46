#include "frame/widgets/cp949guard.h"

#include <algorithm>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>

#include "text/codec.h"

CCp949Guard::CCp949Guard(QPlainTextEdit* editor, Refuse refuse, std::function<void()> kept)
    : QObject(editor), m_plain(editor), m_refuse(std::move(refuse)), m_kept(std::move(kept)),
      m_lastGood(editor->toPlainText()) {
    connect(editor, &QPlainTextEdit::textChanged, this, &CCp949Guard::OnChanged);
}

CCp949Guard::CCp949Guard(QLineEdit* editor, Refuse refuse, std::function<void()> kept)
    : QObject(editor), m_line(editor), m_refuse(std::move(refuse)), m_kept(std::move(kept)),
      m_lastGood(editor->text()) {
    connect(editor, &QLineEdit::textChanged, this, &CCp949Guard::OnChanged);
}

QString CCp949Guard::Text() const {
    return m_plain ? m_plain->toPlainText() : m_line->text();
}

void CCp949Guard::OnChanged() {
    const QString text = Text();
    std::vector<std::string> bad;
    if (zmsg::ToCp949(text, &bad)) {
        m_lastGood = text;
        if (m_kept)
            m_kept();
        return;
    }
    // Put back what was there, with the caret where the refused text began.
    const int grown = static_cast<int>(text.size() - m_lastGood.size());
    const int caret = m_plain ? m_plain->textCursor().position() : m_line->cursorPosition();
    const int position =
        std::min(std::max(0, caret - std::max(0, grown)), static_cast<int>(m_lastGood.size()));
    if (m_plain) {
        const QSignalBlocker blocker(m_plain);
        m_plain->setPlainText(m_lastGood);
        QTextCursor cursor = m_plain->textCursor();
        cursor.setPosition(position);
        m_plain->setTextCursor(cursor);
    } else {
        const QSignalBlocker blocker(m_line);
        m_line->setText(m_lastGood);
        m_line->setCursorPosition(position);
    }
    if (m_refuse)
        m_refuse(bad);
}
