// The one progress display of every long operation. The operation keeps a CProgressWnd as a
// local; the window appears on the first Show and goes with the object. While the object lives,
// center requests and waits on helpers keep the window exposed and painting (ScopedOperation).
#pragma once

#include <string>

#include <QPointer>

#include "frame/operationpump.h"
#include "frame/widgets/progressdlg.h"

class QWidget;

class CProgressWnd {
public:
    // parent: the window to centre on; null centres on the active window or the screen.
    explicit CProgressWnd(QWidget* parent = nullptr);
    ~CProgressWnd();
    CProgressWnd(const CProgressWnd&) = delete;
    CProgressWnd& operator=(const CProgressWnd&) = delete;

    // Creates the window on first use (also when hiding), sets the step text (CP949), shows or hides it.
    void Show(bool show, const std::string& text);
    // Everything below does nothing before the first Show.
    void SetRange(int total);
    void SetPos(int pos);
    // 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right of the primary screen; else centred on it.
    void SetCorner(int corner);
    void SetTopMost(bool topmost);

    // Null until the first Show.
    CProgressDlg* Dialog() const { return m_dlg.data(); }

private:
    // The operation that keeps this window exposed and painting while a request or a helper holds
    // the thread, for the object's whole life.
    zmsg::ScopedOperation m_operation;
    QWidget* m_parent;
    QPointer<CProgressDlg> m_dlg; // a parent that dies first takes the window with it
};
