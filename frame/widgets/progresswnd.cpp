#include "frame/widgets/progresswnd.h"

#include <QGuiApplication>
#include <QScreen>

#include "text/codec.h"

CProgressWnd::CProgressWnd(QWidget* parent) : m_parent(parent) {}

CProgressWnd::~CProgressWnd() {
    delete m_dlg.data();
}

void CProgressWnd::Show(bool show, const std::string& text) {
    if (!m_dlg) {
        m_dlg = new CProgressDlg(m_parent);
        m_dlg->CentreOnOwner();
    }
    m_dlg->SetStepText(zmsg::FromCp949(text));
    m_dlg->Pump();
    m_dlg->setVisible(show);
    if (show)
        m_dlg->Pump();
}

void CProgressWnd::SetRange(int total) {
    if (m_dlg)
        m_dlg->SetRange(total);
}

void CProgressWnd::SetPos(int pos) {
    if (m_dlg)
        m_dlg->SetPos(pos);
}

void CProgressWnd::SetCorner(int corner) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!m_dlg || !screen)
        return;
    const QSize area = screen->geometry().size();
    const QSize win = m_dlg->frameGeometry().size();
    const int right = area.width() - win.width();
    const int bottom = area.height() - win.height();
    QPoint at;
    switch (corner) {
    case 1:
        at = QPoint(0, 0);
        break;
    case 2:
        at = QPoint(right, 0);
        break;
    case 3:
        at = QPoint(0, bottom);
        break;
    case 4:
        at = QPoint(right, bottom);
        break;
    default:
        at = QPoint(right / 2, bottom / 2);
        break;
    }
    m_dlg->move(at);
    m_dlg->Pump();
}

void CProgressWnd::SetTopMost(bool topmost) {
    if (!m_dlg || m_dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    // Changing a window's flags re-creates it hidden; put it back where and as it was.
    const QPoint at = m_dlg->pos();
    const bool shown = m_dlg->isVisible();
    m_dlg->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    m_dlg->move(at);
    if (shown) {
        m_dlg->show();
        m_dlg->Pump();
    }
}
