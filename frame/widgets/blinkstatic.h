// A label that can flash: used to warn that a message is over its length limit.
#pragma once

#include <QLabel>
#include <QTimer>

class CBlinkStatic : public QLabel {
    Q_OBJECT
public:
    explicit CBlinkStatic(QWidget* parent = nullptr);
    explicit CBlinkStatic(const QString& text, QWidget* parent = nullptr);

    // On: the label shows and hides every 500 ms. Off: it stops and stays shown.
    void SetBlink(bool on);
    bool IsBlinking() const { return m_blinking; }

private:
    void OnTimer();

    QTimer m_timer;
    bool m_blinking = false;
    bool m_visible = true;
};
