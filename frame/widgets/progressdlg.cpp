#include "frame/widgets/progressdlg.h"

#include <cstdint>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include "frame/operationpump.h"
#include "frame/widgets/modulefont.h"

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint) {
    // Shown while the caller keeps the thread: it must not take the focus from the caller's window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(ModuleFont(10));
    setFixedSize(360, 70);

    m_step = new QLabel(QStringLiteral("...하는 중입니다"), this);
    m_step->setGeometry(11, 9, 338, 17);
    m_step->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_counter = new QLabel(QStringLiteral("0/0 (0%)"), this);
    m_counter->setGeometry(11, 26, 338, 17);
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Nothing has been counted yet: no "0/0 (0%)" on screen.
    m_counter->hide();
    m_bar = new QProgressBar(this);
    m_bar->setGeometry(11, 46, 338, 13);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::SetStepText(const QString& text) {
    m_step->setText(text);
}

void CProgressDlg::SetRange(int total) {
    m_total = total;
    m_pos = 0;
    // The full 32-bit count: a 16-bit range would wrap for large loads and leave the bar meaningless.
    m_bar->setRange(0, total > 0 ? total : 0);
    m_bar->setValue(0);
    m_bar->setVisible(total > 0);
}

void CProgressDlg::SetPos(int pos) {
    m_pos = pos;
    QString counter;
    if (m_total >= 1) {
        // 64-bit product: pos * 100 overflows 32 bits from about 21 million on.
        const auto percent = static_cast<int>(static_cast<std::int64_t>(pos) * 100 / m_total);
        counter = QString::asprintf("%d/%d (%d%%)", pos, m_total, percent);
    } else {
        counter = QString::number(pos);
    }
    m_counter->setText(counter);
    if (m_total > 0)
        m_bar->setValue(pos);
    m_counter->setVisible(m_total > 0 && pos > 0);
    Pump();
}

void CProgressDlg::Pump() {
    zmsg::PumpOperationEvents();
    if (isVisible())
        repaint();
}

void CProgressDlg::CentreOnOwner() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    QRect area;
    if (owner && owner != this && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->geometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void CProgressDlg::paintEvent(QPaintEvent*) {
    // A raised frame, since the window has no caption or border of its own.
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(r);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
}
