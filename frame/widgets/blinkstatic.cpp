#include "frame/widgets/blinkstatic.h"

namespace {
constexpr int kBlinkPeriodMs = 500;
}

CBlinkStatic::CBlinkStatic(QWidget* parent) : CBlinkStatic(QString(), parent) {}

CBlinkStatic::CBlinkStatic(const QString& text, QWidget* parent) : QLabel(text, parent) {
    m_timer.setInterval(kBlinkPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &CBlinkStatic::OnTimer);
}

void CBlinkStatic::SetBlink(bool on) {
    if (on == m_blinking)
        return;
    m_blinking = on;
    if (on) {
        m_timer.start();
        return;
    }
    m_timer.stop();
    m_visible = true;
    show();
}

void CBlinkStatic::OnTimer() {
    m_visible = !m_visible;
    setVisible(m_visible);
}
